#include "app/technical_settings_stv.h"

#include <algorithm>
#include <utility>

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/locale_stv.h"
#include "app/ui_prompts.h"
#include "i18n/search_texts.h"
#include "i18n/ui_texts.h"
#include "model/Utils_fractions_vcl.h"

namespace {

QLineEdit* MakeEdit(QWidget* parent, const char* name, const char* text)
{
    auto* edit = new QLineEdit(QString::fromLatin1(text), parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QLabel* MakeLabel(QWidget* parent, const char* name, QLineEdit* buddy)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

}  // namespace

TfTechnicalSettings::TfTechnicalSettings(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fTechnicalSettings"));
    setModal(true);
    resize(306, 339);

    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    leCutterThickness = MakeEdit(Panel2, "leCutterThickness", "0");
    leCutterThicknessLabel = MakeLabel(Panel2, "leCutterThicknessLabel", leCutterThickness);
    leMinimalBreakSize = MakeEdit(Panel2, "leMinimalBreakSize", "0");
    leMinimalBreakSizeLabel = MakeLabel(Panel2, "leMinimalBreakSizeLabel", leMinimalBreakSize);
    eLungimeMaximaTaietura = MakeEdit(Panel2, "eLungimeMaximaTaietura", "7000");
    lLungimeMaximaTaietura = MakeLabel(Panel2, "lLungimeMaximaTaietura", eLungimeMaximaTaietura);
    eLatimeMinimaUtilizabila = MakeEdit(Panel2, "eLatimeMinimaUtilizabila", "0");
    lLatimeUtilizabila = MakeLabel(Panel2, "lLatimeUtilizabila", eLatimeMinimaUtilizabila);
    lLatimeUtilizabila->setText(QStringLiteral("Minimal useful size"));
    cbRoundFractionsTo = new QComboBox(Panel2);
    cbRoundFractionsTo->setObjectName(QStringLiteral("cbRoundFractionsTo"));
    cbRoundFractionsTo->addItems({QStringLiteral("1/2"), QStringLiteral("1/4"), QStringLiteral("1/8"),
                                  QStringLiteral("1/16"), QStringLiteral("1/32")});
    cbRoundFractionsTo->setCurrentIndex(3);
    lRoundAllFractionsTo = new QLabel(Panel2);
    lRoundAllFractionsTo->setObjectName(QStringLiteral("lRoundAllFractionsTo"));
    lRoundAllFractionsTo->setBuddy(cbRoundFractionsTo);
    lRoundAllFractionsTo->setWordWrap(true);

    cbSearchEffort = new QComboBox(Panel2);
    cbSearchEffort->setObjectName(QStringLiteral("cbSearchEffort"));
    cbSearchEffort->addItems({QStringLiteral("Quick"), QStringLiteral("Normal"), QStringLiteral("Thorough")});
    cbSearchEffort->setCurrentIndex(1);
    lSearchEffort = new QLabel(Panel2);
    lSearchEffort->setObjectName(QStringLiteral("lSearchEffort"));
    lSearchEffort->setBuddy(cbSearchEffort);

    auto* fields = new QVBoxLayout(Panel2);
    for (auto [label, field] : {std::pair<QLabel*, QWidget*>{leCutterThicknessLabel, leCutterThickness},
                                {leMinimalBreakSizeLabel, leMinimalBreakSize},
                                {lLungimeMaximaTaietura, eLungimeMaximaTaietura},
                                {lLatimeUtilizabila, eLatimeMinimaUtilizabila},
                                {lRoundAllFractionsTo, cbRoundFractionsTo},
                                {lSearchEffort, cbSearchEffort}}) {
        fields->addWidget(label);
        fields->addWidget(field);
        fields->addSpacing(6);
    }
    fields->addStretch(1);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(37);
    bbOk = new QPushButton(tr("OK"), Panel1);
    bbOk->setObjectName(QStringLiteral("bbOk"));
    bbOk->setDefault(true);
    bbCancel = new QPushButton(tr("Cancel"), Panel1);
    bbCancel->setObjectName(QStringLiteral("bbCancel"));
    auto* buttons = new QHBoxLayout(Panel1);
    buttons->addWidget(bbOk);
    buttons->addStretch(1);
    buttons->addWidget(bbCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Panel2, 1);
    layout->addWidget(Panel1);

    connect(bbOk, &QPushButton::clicked, this, &TfTechnicalSettings::bbOkClick);
    connect(bbCancel, &QPushButton::clicked, this, &TfTechnicalSettings::bbCancelClick);
    FormShow();  // a cancel before the first showing restores the design values
}

int TfTechnicalSettings::RoundingDenominator() const
{
    const int index = std::clamp(cbRoundFractionsTo->currentIndex(), 0, 4);
    return 1 << (index + 1);
}

void TfTechnicalSettings::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TfTechnicalSettings::FormShow()
{
    shown_rounding_index_ = cbRoundFractionsTo->currentIndex();
    shown_effort_index_ = cbSearchEffort->currentIndex();
    lSearchEffort->setText(ToQString(std::wstring(SearchText(search_text::Effort))));
    for (auto [i, entry] : {std::pair{0, search_text::EffortQuick}, std::pair{1, search_text::EffortNormal},
                            std::pair{2, search_text::EffortThorough}})
        cbSearchEffort->setItemText(i, ToQString(std::wstring(SearchText(entry))));
    shown_cutter_thickness_ = leCutterThickness->text().trimmed();
    shown_minimal_break_size_ = leMinimalBreakSize->text().trimmed();
    shown_maximal_cut_length_ = eLungimeMaximaTaietura->text().trimmed();
    shown_minimal_useful_size_ = eLatimeMinimaUtilizabila->text().trimmed();
    allow_closing_ = true;
}

bool TfTechnicalSettings::CheckEdit(QLineEdit& edit, const QLabel& caption, bool round_up)
{
    QString text = edit.text().trimmed();
    if (text.isEmpty()) {
        text = QStringLiteral("0");
        edit.setText(text);
    }
    const wchar_t separator = LocaleDecimalSeparator();
    fractional_double value;
    const bool parsed = value.ParseWide(ToWide(text), separator);
    if (!parsed || value.Value() < -fractional_double::kTolerance) {
        Inform(this, ToQString(UiText(ui_text::InvalidNumber)) + QStringLiteral(" ( ") + caption.text()
                         + QStringLiteral(" ): ") + edit.text());
        edit.setFocus();
        return false;
    }
    if (round_up)
        value.RoundUpTo(RoundingDenominator());
    else
        value.RoundDownTo(RoundingDenominator());
    edit.setText(ToQString(value.FormatDisplay(separator)));
    return true;
}

void TfTechnicalSettings::bbOkClick()
{
    allow_closing_ = true;
    if (!CheckEdit(*leCutterThickness, *leCutterThicknessLabel, true)) allow_closing_ = false;
    if (!CheckEdit(*leMinimalBreakSize, *leMinimalBreakSizeLabel, true)) allow_closing_ = false;
    if (!CheckEdit(*eLungimeMaximaTaietura, *lLungimeMaximaTaietura, false)) allow_closing_ = false;
    if (!CheckEdit(*eLatimeMinimaUtilizabila, *lLatimeUtilizabila, false)) allow_closing_ = false;
    if (allow_closing_) accept();
}

void TfTechnicalSettings::bbCancelClick() { reject(); }

void TfTechnicalSettings::reject()
{
    leCutterThickness->setText(shown_cutter_thickness_);
    leMinimalBreakSize->setText(shown_minimal_break_size_);
    eLungimeMaximaTaietura->setText(shown_maximal_cut_length_);
    eLatimeMinimaUtilizabila->setText(shown_minimal_useful_size_);
    cbRoundFractionsTo->setCurrentIndex(shown_rounding_index_);
    cbSearchEffort->setCurrentIndex(shown_effort_index_);
    allow_closing_ = true;
    QDialog::reject();
}
