#pragma once
// TfTechnicalSettings: the modal dialog holding the technical values of a run between runs.
#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

class TfTechnicalSettings : public QDialog {
    Q_OBJECT
public:
    explicit TfTechnicalSettings(QWidget* parent = nullptr);

    QWidget* Panel2 = nullptr;
    QLabel* leCutterThicknessLabel = nullptr;
    QLineEdit* leCutterThickness = nullptr;
    QLabel* leMinimalBreakSizeLabel = nullptr;
    QLineEdit* leMinimalBreakSize = nullptr;
    QLabel* lLungimeMaximaTaietura = nullptr;
    QLineEdit* eLungimeMaximaTaietura = nullptr;
    QLabel* lLatimeUtilizabila = nullptr;
    QLineEdit* eLatimeMinimaUtilizabila = nullptr;
    QLabel* lRoundAllFractionsTo = nullptr;
    QComboBox* cbRoundFractionsTo = nullptr;
    QLabel* lSearchEffort = nullptr;
    QComboBox* cbSearchEffort = nullptr;  // quick, normal, thorough
    QWidget* Panel1 = nullptr;
    QPushButton* bbOk = nullptr;
    QPushButton* bbCancel = nullptr;

    // The rounding denominator of the current choice: 2, 4, 8, 16 or 32.
    int RoundingDenominator() const;

public slots:
    void bbOkClick();
    void bbCancelClick();
    void reject() override;  // Esc and the window's close button cancel like bbCancel

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    // Validates and rounds one edit; false (after the message) when it does not hold a size >= 0.
    bool CheckEdit(QLineEdit& edit, const QLabel& caption, bool round_up);

    QString shown_cutter_thickness_, shown_minimal_break_size_, shown_maximal_cut_length_, shown_minimal_useful_size_;
    int shown_rounding_index_ = 3;
    int shown_effort_index_ = 1;
    bool allow_closing_ = true;
};
