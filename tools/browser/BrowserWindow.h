#pragma once
#include <QWidget>

class QFrame;
class QToolButton;
class QWebEngineView;

namespace tavik {

// "Internet": a panel with the quit button across the top, the page below.
class BrowserWindow : public QWidget {
    Q_OBJECT
public:
    explicit BrowserWindow(QWidget* parent = nullptr);

    // Shows the page of `address`, taken as it was written.
    void navigate(const QString& address);
    QWebEngineView* WebBrowser1() const { return WebBrowser1_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QFrame* SSPanel1_;
    QToolButton* quit_button_;
    QWebEngineView* WebBrowser1_;
};

}  // namespace tavik
