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
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "forms/ParameterTexts.h"
#include "ui/Hilfe.h"
#include "ui/TrayPictures.h"
#include "ui/copyright.h"
#include "ui/softwareupdate.h"

namespace tavik {
namespace {

constexpr int kLinkPictureSize = 32;

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

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

Parameter::Parameter(FormContext& context, QWidget* parent)
    : QDialog(parent), context_(context), form_(context, *this) {
    buildControls();
    form_.Form_Load();
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
    AutoUpdateNote_ = new QLabel(Frame4);
    AutoUpdateNote_->setObjectName(QStringLiteral("AutoUpdateNote"));
    AutoUpdateNote_->setWordWrap(true);
    AutoUpdateNote_->setIndent(20);
    AutoUpdateNote_->hide();
    options->addWidget(AutoUpdateNote_, 2, 0);
    options->addWidget(ntdienst_, 3, 0);
    options->addWidget(AppToServiceDownload_, 3, 1);
    options->addWidget(Restart_, 4, 0);
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

    // A box changed by anything but the form itself (a click, the space key)
    // runs its handler; the form sets boxes with the signals blocked.
    for (const Box which : {Box::proxyserver, Box::AutoUpdate, Box::ntdienst, Box::Restart})
        connect(box(which), &QCheckBox::toggled, this, [this, which] { form_.boxChanged(which); });
    connect(quit_button_, &QPushButton::clicked, this, [this] { form_.quit_button_Click(); });
    connect(info_button_, &QPushButton::clicked, this, [this] { form_.info_button_Click(); });
    connect(Command2_, &QPushButton::clicked, this, [this] { form_.Command2_Click(); });
    connect(Image1_, &QToolButton::clicked, this, [this] { form_.Image1_Click(); });
    connect(AppToServiceDownload_, &QToolButton::clicked, this, [this] { form_.AppToServiceDownload_Click(); });
    connect(SetUP_Button_, &QPushButton::clicked, this, [this] { form_.SetUP_Button_Click(); });
    proxyserver_->installEventFilter(this);
    setup0_->installEventFilter(this);
    setup1_->installEventFilter(this);
}

void Parameter::done(int result) {
    form_.Form_Unload();
    QDialog::done(result);
}

void Parameter::closeEvent(QCloseEvent* event) {
    form_.Form_Unload();
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
    if (pressOnProxy || keyInField) form_.userEdits();
    return QDialog::eventFilter(watched, event);
}

QCheckBox* Parameter::box(Box which) const {
    switch (which) {
        case Box::proxyserver: return proxyserver_;
        case Box::AutoUpdate: return AutoUpdate_;
        case Box::ntdienst: return ntdienst_;
        case Box::Restart: return Restart_;
    }
    return proxyserver_;
}

void Parameter::makeTopmost() { setWindowFlag(Qt::WindowStaysOnTopHint, true); }

std::string Parameter::fieldText(int index) const { return setup(index)->text().toStdString(); }

void Parameter::setFieldText(int index, const std::string& text) {
    setup(index)->setText(QString::fromStdString(text));
}

bool Parameter::isChecked(Box which) const { return box(which)->isChecked(); }

void Parameter::setChecked(Box which, bool on) {
    const QSignalBlocker quiet(box(which));
    box(which)->setChecked(on);
}

void Parameter::setControlEnabled(Control control, bool enabled) {
    if (control == Control::SetUP_Button) SetUP_Button_->setEnabled(enabled);
    else AppToServiceDownload_->setEnabled(enabled);
}

void Parameter::showBoxUnavailable(Box which, const std::string& why) {
    setChecked(which, false);
    box(which)->setEnabled(false);
    box(which)->setToolTip(QString::fromStdString(why));
    if (which == Box::AutoUpdate) {
        AutoUpdateNote_->setText(QString::fromStdString(why));
        AutoUpdateNote_->show();
    }
}

void Parameter::hideWindow() { hide(); }

void Parameter::closeWindow() { close(); }

void Parameter::showAbout() {
    copyright about(context_.g, context_.clock, this);
    about.exec();
}

void Parameter::showHelp() {
    Hilfe help(this);
    help.exec();
}

bool Parameter::showBrowserWindow(const std::string& url) {
    return softwareupdate::showPage(context_.environment.programFolder(), url);
}

}  // namespace tavik
