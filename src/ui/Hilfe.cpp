#include "ui/Hilfe.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>

#include "ui/Parameter.h"
#include "forms/ParameterTexts.h"

namespace tavik {
namespace {

// A text never needs more lines than these beside its control; the short
// ones at the right end of the button rows keep to one.
constexpr int kLongExplanationLines = 3;
constexpr int kButtonExplanationLines = 2;

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

// Swallows the mouse and keyboard input of the controls it watches.
class InputBlocker : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
        }
    }
};

// The narrowest width at which `label` shows its text in at most `lines` lines.
int widthForLines(const QLabel* label, int lines) {
    const QFontMetrics metrics(label->font());
    const int oneLine = metrics.horizontalAdvance(label->text()) + 1;
    for (int width = oneLine / lines; width < oneLine; width += 4) {
        const QRect needed = metrics.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap, label->text());
        if (needed.height() <= lines * metrics.lineSpacing()) return width;
    }
    return oneLine;
}

QLabel* explanation(const char* utf8, int lines, QWidget* parent) {
    auto* label = new QLabel(text(utf8), parent);
    label->setObjectName(QStringLiteral("explanation"));
    // Plain text keeps every blank as written.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setMinimumWidth(widthForLines(label, lines));
    return label;
}

}  // namespace

Hilfe::Hilfe(QWidget* parent) : QDialog(parent), form_(*this) {
    setObjectName(QStringLiteral("Hilfe"));
    setModal(true);

    auto* menuBar = new QMenuBar(this);
    menu_exit_ = menuBar->addAction(QStringLiteral("Quit"));
    menu_exit_->setObjectName(QStringLiteral("menu_exit"));
    connect(menu_exit_, &QAction::triggered, this, [this] { form_.menu_exit_Click(); });

    // Looks like the control of the settings window but takes no input.
    auto* blocker = new InputBlocker(this);
    auto inert = [blocker](auto* widget) {
        widget->installEventFilter(blocker);
        widget->setFocusPolicy(Qt::NoFocus);
        return widget;
    };
    auto box = [&](const char* caption) { return inert(new QCheckBox(text(caption), this)); };
    auto link = [&](const QIcon& picture) {
        auto* button = inert(new QToolButton(this));
        button->setIcon(picture);
        button->setIconSize(QSize(32, 32));
        button->setAutoRaise(true);
        return button;
    };

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(text(parameterText::Kundennummer), this), 0, 0);
    fields->addWidget(inert(new QLineEdit(this)), 0, 1);
    fields->addWidget(new QLabel(text(parameterText::Passwort), this), 1, 0);
    fields->addWidget(inert(new QLineEdit(this)), 1, 1);

    auto* Setup = inert(new QPushButton(text(parameterText::SetUP_Button), this));
    auto* Help = inert(new QPushButton(text(parameterText::Command2), this));
    auto* Info = inert(new QPushButton(text(parameterText::info_button), this));
    quit_button_ = new QPushButton(text(parameterText::quit_button), this);
    quit_button_->setObjectName(QStringLiteral("quit_button"));
    quit_button_->setAutoDefault(false);
    connect(quit_button_, &QPushButton::clicked, this, [this] { form_.quit_button_Click(); });

    // Rows top to bottom: controls at the left, their explanation beside them.
    auto* rows = new QGridLayout(this);
    rows->setMenuBar(menuBar);
    rows->setHorizontalSpacing(12);
    rows->setColumnStretch(1, 1);
    int row = 0;
    auto addRow = [&](QWidget* control, const char* help) {
        rows->addWidget(control, row, 0);
        rows->addWidget(explanation(help, kLongExplanationLines, this), row, 1);
        ++row;
    };
    auto* fieldsBlock = new QWidget(this);
    fieldsBlock->setLayout(fields);
    fields->setContentsMargins(0, 0, 0, 0);
    addRow(fieldsBlock, hilfeText::Fields);
    addRow(box(parameterText::proxyserver), hilfeText::Proxy);
    addRow(box(parameterText::AutoUpdate), hilfeText::AutoUpdate);
    addRow(link(Parameter::updateLinkPicture()), hilfeText::UpdateLink);
    addRow(box(parameterText::ntdienst), hilfeText::Service);
    addRow(link(Parameter::downloadLinkPicture()), hilfeText::Download);
    // Two buttons share a row, each with its own explanation; the rows of
    // buttons have columns of their own, so their texts are not squeezed
    // into the columns above.
    auto* pairs = new QGridLayout;
    pairs->setHorizontalSpacing(12);
    pairs->setColumnStretch(1, 1);
    int pair = 0;
    auto addPair = [&](QPushButton* left, const char* leftHelp, QPushButton* right, const char* rightHelp) {
        pairs->addWidget(left, pair, 0);
        pairs->addWidget(explanation(leftHelp, kButtonExplanationLines, this), pair, 1);
        pairs->addWidget(right, pair, 2);
        pairs->addWidget(explanation(rightHelp, 1, this), pair, 3);
        ++pair;
    };
    addPair(Setup, hilfeText::Setup, Help, hilfeText::Help);
    addPair(Info, hilfeText::Info, quit_button_, hilfeText::Quit);
    rows->addLayout(pairs, row, 0, 1, 2);
    form_.Form_Load();
}

void Hilfe::setCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }

void Hilfe::makeTopmost() { setWindowFlag(Qt::WindowStaysOnTopHint, true); }

void Hilfe::closeWindow() { accept(); }

}  // namespace tavik
