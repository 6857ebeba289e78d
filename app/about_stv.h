#pragma once
// TfAbout: the about box with the product name, version and the maker's web page and e-mail address.
#include <QDialog>

class QLabel;
class QPushButton;

inline constexpr const char* kMakerWebPage = "https://www.brennick-software.com/stavora/";
inline constexpr const char* kMakerEmailAddress = "stavora@brennick-software.com";

class TfAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfAbout(QWidget* parent = nullptr);

    QLabel* lProductName = nullptr;
    QLabel* lVersionCaption = nullptr;
    QLabel* lVersion = nullptr;
    QLabel* lEmailAddress = nullptr;
    QLabel* lWebPage = nullptr;
    QPushButton* bbOk = nullptr;

public slots:
    void lWebPageClick();
    void lEmailAddressClick();

protected:
    void showEvent(QShowEvent* event) override;
};
