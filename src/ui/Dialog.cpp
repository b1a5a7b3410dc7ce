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
      CancelButton_(new QPushButton(QStringLiteral("Abbrechen"), this)) {
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(qtText(step.caption));
    setModal(true);

    schritt_->setObjectName(QStringLiteral("schritt"));
    schritt_->setTextFormat(Qt::PlainText);
    abfrage1_->setTextFormat(Qt::PlainText);
    schritt_->setText(qtText(step.stepText));
    abfrage1_->setObjectName(QStringLiteral("abfrage1"));
    abfrage1_->setText(qtText(step.question));

    antwort1_->setObjectName(QStringLiteral("antwort1"));
    antwort1_->setEditable(true);
    antwort1_->setInsertPolicy(QComboBox::NoInsert);  // Enter answers, it adds nothing to the list
    antwort1_->setMinimumWidth(320);
    for (const auto& choice : step.choices) antwort1_->addItem(qtText(choice));
    antwort1_->setEditText(qtText(step.presetAnswer));
    // The password is not shown to whoever looks at the screen.
    if (step.secret) antwort1_->lineEdit()->setEchoMode(QLineEdit::Password);
    // Enter is caught before the box or the window can act on it.
    antwort1_->installEventFilter(this);
    antwort1_->lineEdit()->installEventFilter(this);

    OKButton_->setObjectName(QStringLiteral("OKButton"));
    CancelButton_->setObjectName(QStringLiteral("CancelButton"));
    // No default button: Enter means the answer box's OK action, nothing else.
    OKButton_->setAutoDefault(false);
    CancelButton_->setAutoDefault(false);

    connect(antwort1_, &QComboBox::editTextChanged, this, &Dialog::updateOkButton);
    connect(antwort1_, &QComboBox::activated, this, &Dialog::updateOkButton);
    connect(OKButton_, &QPushButton::clicked, this, &Dialog::OKButton_Click);
    connect(CancelButton_, &QPushButton::clicked, this, &Dialog::CancelButton_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton_);
    buttons->addWidget(CancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(schritt_);
    layout->addWidget(abfrage1_);
    layout->addWidget(antwort1_);
    layout->addLayout(buttons);

    updateOkButton();
}

std::optional<std::string> Dialog::ask(const QuestionStep& step, QWidget* parent) {
    Dialog dialog(step, parent);
    dialog.exec();
    return dialog.answer();
}

void Dialog::updateOkButton() { OKButton_->setEnabled(!antwort1_->currentText().isEmpty()); }

bool Dialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter answers even while OK is disabled, so an empty answer is possible.
            OKButton_Click();
            return true;
        }
    }
    if (event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseButtonRelease) updateOkButton();
    return QDialog::eventFilter(watched, event);
}

void Dialog::OKButton_Click() {
    answer_ = antwort1_->currentText().toStdString();
    accept();
}

void Dialog::CancelButton_Click() {
    answer_ = "cancel";
    reject();
}

}  // namespace tavik
