#include "ui/Parameter.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <charconv>

#include "protocol/RequestUrls.h"
#include "settings/ValueNames.h"
#include "text/TextCase.h"
#include "ui/Hilfe.h"
#include "ui/ParameterTexts.h"
#include "ui/TrayPictures.h"
#include "ui/copyright.h"
#include "ui/softwareupdate.h"
#include "update/UpdaterProgram.h"

namespace tavik {
namespace {

constexpr const char* kLoadingTag = "START";
constexpr int kLinkPictureSize = 32;

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

// A stored switch as the box shows it: 0 off, 1 on; a text that is no
// such number leaves the box as it is.
void setFromStored(QCheckBox* box, const std::string& stored) {
    const auto first = stored.find_first_not_of(' ');
    if (first == std::string::npos) return;
    const auto last = stored.find_last_not_of(' ');
    int number = -1;
    const char* begin = stored.data() + first;
    const char* end = stored.data() + last + 1;
    const auto result = std::from_chars(begin, end, number);
    if (result.ec != std::errc() || result.ptr != end) return;
    if (number == 0 || number == 1) box->setChecked(number == 1);
}

const char* switchText(const QCheckBox* box) { return box->isChecked() ? "1" : "0"; }

QCheckBox* checkBox(const char* name, const char* caption, const char* tip, QWidget* parent) {
    auto* box = new QCheckBox(text(caption), parent);
    box->setObjectName(text(name));
    box->setToolTip(text(tip));
    return box;
}

QPushButton* button(const char* name, const char* caption, QWidget* parent) {
    auto* b = new QPushButton(text(caption), parent);
    b->setObjectName(text(name));
    // Enter in a text field presses no button.
    b->setAutoDefault(false);
    return b;
}

QToolButton* pictureLink(const char* name, const QIcon& picture, const char* tip, QWidget* parent) {
    auto* link = new QToolButton(parent);
    link->setObjectName(text(name));
    link->setIcon(picture);
    link->setIconSize(QSize(kLinkPictureSize, kLinkPictureSize));
    link->setAutoRaise(true);
    link->setCursor(Qt::PointingHandCursor);
    link->setToolTip(text(tip));
    return link;
}

}  // namespace

Parameter::Parameter(DesktopContext& context, QWidget* parent)
    : QDialog(parent),
      context_(context),
      service_(context.g, context.rw, context.dialogs, context.processes, context.environment) {
    buildControls();
    Form_Load();
}

QIcon Parameter::updateLinkPicture() { return QIcon(TrayPictures::statePixmap(kIconUpdateOffered)); }

QIcon Parameter::downloadLinkPicture() { return TrayPictures::menuIcon(MenuPicture::Setup); }

void Parameter::buildControls() {
    setObjectName(QStringLiteral("Parameter"));
    setWindowTitle(text(parameterText::Caption));
    setModal(true);

    setup0_ = new QLineEdit(this);
    setup0_->setObjectName(QStringLiteral("setup_0"));
    setup1_ = new QLineEdit(this);
    setup1_->setObjectName(QStringLiteral("setup_1"));
    setup1_->setEchoMode(QLineEdit::Password);
    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(text(parameterText::Kundennummer), this), 0, 0);
    fields->addWidget(setup0_, 0, 1);
    fields->addWidget(new QLabel(text(parameterText::Passwort), this), 1, 0);
    fields->addWidget(setup1_, 1, 1);
    auto* Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(TrayPictures::statePixmap(kIconConnected, 48));
    fields->addWidget(Picture1, 0, 2, 2, 1, Qt::AlignRight);

    proxyserver_ = checkBox("proxyserver", parameterText::proxyserver, parameterText::proxyserverTip, this);
    AutoUpdate_ = checkBox("AutoUpdate", parameterText::AutoUpdate, parameterText::AutoUpdateTip, this);
    ntdienst_ = checkBox("ntdienst", parameterText::ntdienst, parameterText::ntdienstTip, this);
    Restart_ = checkBox("Restart", parameterText::Restart, parameterText::RestartTip, this);
    Image1_ = pictureLink("Image1", updateLinkPicture(), parameterText::Image1Tip, this);
    AppToServiceDownload_ =
        pictureLink("AppToServiceDownload", downloadLinkPicture(), parameterText::AppToServiceDownloadTip, this);
    // Offered once a missing companion program has been asked for.
    AppToServiceDownload_->setEnabled(false);

    auto* Frame4 = new QGroupBox(text(parameterText::Optionen), this);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    auto* options = new QGridLayout(Frame4);
    options->addWidget(proxyserver_, 0, 0);
    options->addWidget(AutoUpdate_, 1, 0);
    options->addWidget(Image1_, 1, 1);
    options->addWidget(ntdienst_, 2, 0);
    options->addWidget(AppToServiceDownload_, 2, 1);
    options->addWidget(Restart_, 3, 0);
    options->setColumnStretch(0, 1);

    SetUP_Button_ = button("SetUP_Button", parameterText::SetUP_Button, this);
    Command2_ = button("Command2", parameterText::Command2, this);
    info_button_ = button("info_button", parameterText::info_button, this);
    quit_button_ = button("quit_button", parameterText::quit_button, this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {SetUP_Button_, Command2_, info_button_, quit_button_}) buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(Frame4);
    layout->addLayout(buttons);

    connect(AutoUpdate_, &QCheckBox::toggled, this, [this] { AutoUpdate_Click(); });
    connect(Restart_, &QCheckBox::toggled, this, [this] { Restart_Click(); });
    connect(ntdienst_, &QCheckBox::toggled, this, [this] { ntdienst_Click(); });
    connect(quit_button_, &QPushButton::clicked, this, &QDialog::close);
    connect(info_button_, &QPushButton::clicked, this, [this] { info_button_Click(); });
    connect(Command2_, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Image1_, &QToolButton::clicked, this, [this] { Image1_Click(); });
    connect(AppToServiceDownload_, &QToolButton::clicked, this, [this] { AppToServiceDownload_Click(); });
    connect(SetUP_Button_, &QPushButton::clicked, this, [this] { SetUP_Button_Click(); });
    proxyserver_->installEventFilter(this);
    setup0_->installEventFilter(this);
    setup1_->installEventFilter(this);
}

// Setting a box here runs its handler just as a click does; the tag tells
// the service handler that nothing was clicked.
void Parameter::Form_Load() {
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    Tag = kLoadingTag;
    setup0_->setText(QString::fromStdString(context_.rw.read(context_.g.Profil, valueName::User)));
    setup1_->setText(QString::fromStdString(context_.rw.read(context_.g.Profil, valueName::Passwort)));
    setFromStored(proxyserver_, context_.rw.read(context_.g.Profil, valueName::Proxyserver));
    setFromStored(ntdienst_, context_.rw.read(context_.g.Profil, valueName::ntdienst));
    setFromStored(AutoUpdate_, context_.rw.read(context_.g.Profil, valueName::AutoUpdate));
    if (context_.form.MerkerFrame1() != "Online") SetUP_Button_->setEnabled(false);
    setFromStored(Restart_, context_.rw.read(context_.g.Profil, valueName::Restart));
    Tag.clear();
}

// "AutoUpdate" and "ntdienst" are stored by their handlers at once.
void Parameter::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    write(valueName::User, toLowerText(setup0_->text().toStdString()));
    write(valueName::Passwort, toLowerText(setup1_->text().toStdString()));
    write(valueName::Proxyserver, switchText(proxyserver_));
    write(valueName::Restart, switchText(Restart_));
}

void Parameter::done(int result) {
    Form_Unload();
    QDialog::done(result);
}

void Parameter::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QDialog::closeEvent(event);
}

bool Parameter::eventFilter(QObject* watched, QEvent* event) {
    // Changed data must be saved before the account page may show them.
    const bool pressOnProxy = watched == proxyserver_ && event->type() == QEvent::MouseButtonPress;
    bool keyInField = false;
    if ((watched == setup0_ || watched == setup1_) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        keyInField = key != Qt::Key_Tab && key != Qt::Key_Backtab;
    }
    if (pressOnProxy || keyInField) SetUP_Button_->setEnabled(false);
    return QDialog::eventFilter(watched, event);
}

void Parameter::AutoUpdate_Click() {
    const bool on = AutoUpdate_->isChecked();
    if (updaterPresent(context_.environment.programFolder())) {
        write(valueName::AutoUpdate, on ? "1" : "0");
    } else if (!on) {
        write(valueName::AutoUpdate, "");
    } else {
        AppToServiceDownload_->setEnabled(true);
        showUpdaterMissing();
        AutoUpdate_->setChecked(false);  // runs this handler again: stores the empty text
    }
}

// Only switching on is checked; the state is stored on closing.
void Parameter::Restart_Click() {
    if (!Restart_->isChecked()) return;
    if (updaterPresent(context_.environment.programFolder())) return;
    showUpdaterMissing();
    Restart_->setChecked(false);
}

void Parameter::ntdienst_Click() {
    const bool kept = service_.ntdienst_Click(ntdienst_->isChecked(), Tag == kLoadingTag,
                                              [this] { AppToServiceDownload_->setEnabled(true); });
    if (!kept) ntdienst_->setChecked(false);
}

void Parameter::info_button_Click() {
    copyright about(context_.g, context_.clock, this);
    about.exec();
}

void Parameter::Command2_Click() {
    Hilfe help(this);
    help.exec();
}

void Parameter::Image1_Click() {
    startBrowser(updatePageUrl(context_.environment.updateHost()));
    close();
}

void Parameter::AppToServiceDownload_Click() {
    startBrowser(downloadPageUrl(context_.environment.serviceHost()));
    close();
}

void Parameter::SetUP_Button_Click() {
    softwareupdate browser(context_.environment.programFolder());
    browser.Tag = settingsPageUrl(context_.environment.serviceHost(), setup0_->text().toStdString(),
                                  setup1_->text().toStdString());
    // The settings step aside while the page's window is open: topmost, they
    // would cover it. They close when it closes.
    hide();
    browser.showModal();
    close();
}

void Parameter::startBrowser(const std::string& url) { context_.processes.start(context_.g.BrowserPfad + " " + url); }

void Parameter::showUpdaterMissing() {
    context_.dialogs.messageBox(missingProgramMessage(kUpdaterName, context_.environment.programFolder()),
                                kProgramMissingTitle, MessageIcon::Information);
}

void Parameter::write(const char* valueName, const std::string& value) { context_.rw.write(context_.g.Profil, valueName, value); }

}  // namespace tavik
