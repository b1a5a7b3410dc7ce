#pragma once
#include <QDialog>
#include <QIcon>
#include <string>

#include "system/ServiceRegistration.h"
#include "ui/DesktopContext.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tavik {

// The settings window "Userdaten": customer number, password and the four
// options of the profile; modal and topmost. It loads the stored values when
// it is created and saves them on every way of closing.
class Parameter : public QDialog {
    Q_OBJECT
public:
    explicit Parameter(DesktopContext& context, QWidget* parent = nullptr);

    // The window's tag: "START" while it loads, empty afterwards.
    const std::string& tag() const { return Tag; }

    QLineEdit* setup(int index) const { return index == 0 ? setup0_ : setup1_; }
    QCheckBox* proxyserver() const { return proxyserver_; }
    QCheckBox* AutoUpdate() const { return AutoUpdate_; }
    QCheckBox* ntdienst() const { return ntdienst_; }
    QCheckBox* Restart() const { return Restart_; }
    QPushButton* SetUP_Button() const { return SetUP_Button_; }
    QPushButton* Command2() const { return Command2_; }
    QPushButton* info_button() const { return info_button_; }
    QPushButton* quit_button() const { return quit_button_; }
    QToolButton* Image1() const { return Image1_; }
    QToolButton* AppToServiceDownload() const { return AppToServiceDownload_; }

    void done(int result) override;

    // The pictures of the two links; the help window shows them too.
    static QIcon updateLinkPicture();
    static QIcon downloadLinkPicture();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void Form_Unload();
    void AutoUpdate_Click();
    void Restart_Click();
    void ntdienst_Click();
    void info_button_Click();
    void Command2_Click();
    void Image1_Click();
    void AppToServiceDownload_Click();
    void SetUP_Button_Click();
    // Opens a page in the user's browser, which nothing waits for.
    void startBrowser(const std::string& url);
    void showUpdaterMissing();
    void write(const char* valueName, const std::string& value);

    DesktopContext& context_;
    ServiceRegistration service_;
    std::string Tag;
    bool unloaded_ = false;

    QLineEdit* setup0_ = nullptr;
    QLineEdit* setup1_ = nullptr;
    QCheckBox* proxyserver_ = nullptr;
    QCheckBox* AutoUpdate_ = nullptr;
    QCheckBox* ntdienst_ = nullptr;
    QCheckBox* Restart_ = nullptr;
    QPushButton* SetUP_Button_ = nullptr;
    QPushButton* Command2_ = nullptr;
    QPushButton* info_button_ = nullptr;
    QPushButton* quit_button_ = nullptr;
    QToolButton* Image1_ = nullptr;
    QToolButton* AppToServiceDownload_ = nullptr;
};

}  // namespace tavik
