#pragma once
#include <QDialog>
#include <QIcon>
#include <string>

#include "forms/ParameterForm.h"
#include "forms/FormContext.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tavik {

// The settings window "Userdaten" on Qt: customer number, password and the
// four options of the profile. What it does lives in ParameterForm; this
// class draws the controls and hands their events over.
class Parameter : public QDialog, private ParameterView {
    Q_OBJECT
public:
    explicit Parameter(FormContext& context, QWidget* parent = nullptr);

    // The window's tag: "START" while it loads, empty afterwards.
    const std::string& tag() const { return form_.tag(); }

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
    // Why automatic update is unavailable here; hidden where it is.
    QLabel* AutoUpdateNote() const { return AutoUpdateNote_; }

    void done(int result) override;

    // The pictures of the two links; the help window shows them too.
    static QIcon updateLinkPicture();
    static QIcon downloadLinkPicture();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QCheckBox* box(Box which) const;

    // ParameterView
    void makeTopmost() override;
    std::string fieldText(int index) const override;
    void setFieldText(int index, const std::string& text) override;
    bool isChecked(Box which) const override;
    void setChecked(Box which, bool on) override;
    void setControlEnabled(Control control, bool enabled) override;
    void showBoxUnavailable(Box which, const std::string& why) override;
    void hideWindow() override;
    void closeWindow() override;
    void showAbout() override;
    void showHelp() override;
    bool showBrowserWindow(const std::string& url) override;

    FormContext& context_;
    ParameterForm form_;

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
    QLabel* AutoUpdateNote_ = nullptr;
};

}  // namespace tavik
