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
#include "ui/QtText.h"
#include "ui/TrayPictures.h"

namespace tavik {
namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

QLabel* label(const QString& caption, const QString& name, QWidget* parent) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    return l;
}

}  // namespace

copyright::copyright(const TavikGlobal& g, const Clock& clock, QWidget* parent)
    : QDialog(parent), form_(*this, g, clock) {
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
    emaillink_ = label(text(CopyrightForm::kEmail), QStringLiteral("emaillink"), this);
    internetlink_ = label(text(CopyrightForm::kInternet), QStringLiteral("internetlink"), this);
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
    connect(Command1_, &QPushButton::clicked, this, [this] { form_.Command1_Click(); });

    auto* top = new QHBoxLayout;
    top->addWidget(Image2, 0, Qt::AlignTop);
    top->addLayout(lines, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Command1_, 0, Qt::AlignHCenter);

    form_.Form_Load();
}

void copyright::setCaption(const std::string& caption) { setWindowTitle(qtText(caption)); }

void copyright::setLine(int index, const std::string& line) { Label1_[index]->setText(qtText(line)); }

void copyright::restoreDefaultPointer() {
    while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
}

void copyright::closeWindow() { accept(); }

bool copyright::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) form_.Form_Activate();
    return QDialog::event(event);
}

// Escape closes the window; every other key that reaches the window leaves
// it open (Enter and Space still press the focused button, as on any button).
void copyright::keyPressEvent(QKeyEvent* event) {
    const FormKey key = event->key() == Qt::Key_Escape ? FormKey::Escape : FormKey::Other;
    form_.Command1_KeyDown(key);
    if (key != FormKey::Escape) event->ignore();
}

}  // namespace tavik
