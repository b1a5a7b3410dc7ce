#include "ui/Dialog.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/QtText.h"

namespace tavik {

Dialog::Dialog(const QuestionStep& step, QWidget* parent)
    : QDialog(parent),
      schritt_(new QLabel(this)),
      abfrage1_(new QLabel(this)),
      antwort1_(new QComboBox(this)),
      OKButton_(new QPushButton(QStringLiteral("OK"), this)),
      CancelButton_(new QPushButton(QStringLiteral("Abbrechen"), this)),
      form_(*this, step) {
    setObjectName(QStringLiteral("Dialog"));
    setModal(true);

    schritt_->setObjectName(QStringLiteral("schritt"));
    schritt_->setTextFormat(Qt::PlainText);
    abfrage1_->setObjectName(QStringLiteral("abfrage1"));
    abfrage1_->setTextFormat(Qt::PlainText);

    antwort1_->setObjectName(QStringLiteral("antwort1"));
    antwort1_->setEditable(true);
    antwort1_->setInsertPolicy(QComboBox::NoInsert);  // Enter answers, it adds nothing to the list
    antwort1_->setMinimumWidth(320);
    // Enter is caught before the box or the window can act on it.
    antwort1_->installEventFilter(this);
    antwort1_->lineEdit()->installEventFilter(this);

    OKButton_->setObjectName(QStringLiteral("OKButton"));
    CancelButton_->setObjectName(QStringLiteral("CancelButton"));
    // No default button: Enter means the answer box's OK action, nothing else.
    OKButton_->setAutoDefault(false);
    CancelButton_->setAutoDefault(false);

    connect(antwort1_, &QComboBox::editTextChanged, this, [this] { form_.antwort1_Change(); });
    connect(antwort1_, &QComboBox::activated, this, [this] { form_.antwort1_Change(); });
    connect(OKButton_, &QPushButton::clicked, this, [this] { form_.OKButton_Click(); });
    connect(CancelButton_, &QPushButton::clicked, this, [this] { form_.CancelButton_Click(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton_);
    buttons->addWidget(CancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(schritt_);
    layout->addWidget(abfrage1_);
    layout->addWidget(antwort1_);
    layout->addLayout(buttons);

    form_.Form_Load();
}

std::optional<std::string> Dialog::ask(const QuestionStep& step, QWidget* parent) {
    Dialog dialog(step, parent);
    dialog.exec();
    return dialog.answer();
}

bool Dialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            form_.antwort1_KeyDown(FormKey::Enter);
            return true;
        }
    }
    if (event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseButtonRelease) form_.antwort1_Change();
    return QDialog::eventFilter(watched, event);
}

void Dialog::setCaption(const std::string& caption) { setWindowTitle(qtText(caption)); }

void Dialog::setStepText(const std::string& text) { schritt_->setText(qtText(text)); }

void Dialog::setQuestion(const std::string& text) { abfrage1_->setText(qtText(text)); }

void Dialog::addChoice(const std::string& choice) { antwort1_->addItem(qtText(choice)); }

void Dialog::setAnswerText(const std::string& text) { antwort1_->setEditText(qtText(text)); }

std::string Dialog::answerText() const { return antwort1_->currentText().toStdString(); }

// The password is not shown to whoever looks at the screen.
void Dialog::setSecret(bool secret) {
    antwort1_->lineEdit()->setEchoMode(secret ? QLineEdit::Password : QLineEdit::Normal);
}

void Dialog::setOkEnabled(bool enabled) { OKButton_->setEnabled(enabled); }

// The answer, not the dialog's result, tells OK from Abbrechen.
void Dialog::closeWindow() { accept(); }

}  // namespace tavik
