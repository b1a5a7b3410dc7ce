#include "ui/copyright.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "state/FormState.h"
#include "ui/TrayPictures.h"

namespace tavik {
namespace {

// The maker's line starts with the year of the first release.
constexpr int kFirstYear = 2005;
constexpr const char* kMaker = "Kovrin Software";
constexpr const char* kEmail = "support@tavik6.example";
constexpr const char* kInternet = "www.tavik6.example";

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

QString makerLine(int year) {
    const QString years = year > kFirstYear ? QStringLiteral("%1-%2").arg(kFirstYear).arg(year)
                                             : QString::number(kFirstYear);
    return QStringLiteral("© ") + years + QLatin1Char(' ') + text(kMaker);
}

QLabel* label(const QString& caption, const QString& name, QWidget* parent) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    return l;
}

}  // namespace

copyright::copyright(const TavikGlobal& g, const Clock& clock, QWidget* parent) : QDialog(parent), g_(g) {
    setObjectName(QStringLiteral("copyright"));
    setModal(true);

    auto* Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(TrayPictures::statePixmap(kIconGlobe, 64));

    auto* lines = new QVBoxLayout;
    for (int i = 0; i < 3; ++i) {
        Label1_[i] = label(QString(), QStringLiteral("Label1_%1").arg(i), this);
        lines->addWidget(Label1_[i]);
    }
    // The addresses are shown only; a click on them does nothing.
    emaillink_ = label(text(kEmail), QStringLiteral("emaillink"), this);
    internetlink_ = label(text(kInternet), QStringLiteral("internetlink"), this);
    auto* contacts = new QGridLayout;
    contacts->addWidget(label(QStringLiteral("Email :"), QStringLiteral("Label2"), this), 0, 0);
    contacts->addWidget(emaillink_, 0, 1);
    contacts->addWidget(label(QStringLiteral("Internet :"), QStringLiteral("Label3"), this), 1, 0);
    contacts->addWidget(internetlink_, 1, 1);
    contacts->setColumnStretch(1, 1);
    lines->addLayout(contacts);

    Command1_ = new QPushButton(QStringLiteral("&Ok"), this);
    Command1_->setObjectName(QStringLiteral("Command1"));
    Command1_->setDefault(true);
    connect(Command1_, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(Image2, 0, Qt::AlignTop);
    top->addLayout(lines, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Command1_, 0, Qt::AlignHCenter);

    Form_Load(clock);
}

void copyright::Form_Load(const Clock& clock) {
    Label1_[0]->setText(QStringLiteral("Version : ") + QString::fromStdString(g_.ProgVersion));
    Label1_[1]->setText(QStringLiteral("Stand : ") + text(kReleaseDate));
    Label1_[2]->setText(makerLine(clock.now().year));
}

void copyright::Form_Activate() {
    while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
    setWindowTitle(QStringLiteral("Versionsinfo über ") + text(kProductName) + QLatin1Char(' ') +
                   QString::fromStdString(g_.ProgVersion));
}

bool copyright::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) Form_Activate();
    return QDialog::event(event);
}

// Escape closes the window; every other key that reaches the window leaves
// it open (Enter and Space still press the focused button, as on any button).
void copyright::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    event->ignore();
}

}  // namespace tavik
