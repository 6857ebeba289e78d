#include "app/report_commands.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "app/flow_bar.h"
#include "app/mainform_stv.h"
#include "app/ui_prompts.h"
#include "engine/cut_sequence.h"
#include "i18n/report_texts.h"
#include "render/job_report.h"
#include "render/part_labels.h"

namespace {

QString R(report_text t) { return QString::fromStdWString(std::wstring(ReportText(t))); }

}  // namespace

report_commands::report_commands(Tf2D& window) : QObject(&window), window_(window)
{
    cbShowCutNumbers = new QCheckBox(window.tbInterfaceOptions);
    cbShowCutNumbers->setObjectName(QStringLiteral("cbShowCutNumbers"));
    cbShowCutNumbers->setChecked(false);
    // Beside the other three, before the font button.
    window.tbInterfaceOptions->insertWidget(3, cbShowCutNumbers);
    connect(cbShowCutNumbers, &QCheckBox::clicked, &window, &Tf2D::cbShowPartSizeClick);

    // Save Results keeps its click (the picture); its menu offers the documents.
    pmSaveResults = new QMenu(window.tbSaveResults);
    pmSaveResults->setObjectName(QStringLiteral("pmSaveResults"));
    miSavePicture = pmSaveResults->addAction(QString());
    miSavePicture->setObjectName(QStringLiteral("miSavePicture"));
    miReportPdf = pmSaveResults->addAction(QString());
    miReportPdf->setObjectName(QStringLiteral("miReportPdf"));
    miLabelsA4 = pmSaveResults->addAction(QString());
    miLabelsA4->setObjectName(QStringLiteral("miLabelsA4"));
    miLabelsLetter = pmSaveResults->addAction(QString());
    miLabelsLetter->setObjectName(QStringLiteral("miLabelsLetter"));
    window.tbSaveResults->setMenu(pmSaveResults);
    window.tbSaveResults->setPopupMode(QToolButton::MenuButtonPopup);
    connect(miSavePicture, &QAction::triggered, &window, &Tf2D::tbSaveResultsClick);
    connect(miReportPdf, &QAction::triggered, this, &report_commands::miReportPdfClick);
    connect(miLabelsA4, &QAction::triggered, this, [this] { miLabelsClick(false); });
    connect(miLabelsLetter, &QAction::triggered, this, [this] { miLabelsClick(true); });

    lCutTotals = new QLabel(window.StatusBar1);
    lCutTotals->setObjectName(QStringLiteral("lCutTotals"));
    window.StatusBar1->addPermanentWidget(lCutTotals);
    connect(&window, &Tf2D::RunFinished, this, &report_commands::ShowCutTotals);
    ApplyTexts();
}

void report_commands::AddFlags(layout_display_flags& flags) const
{
    flags.show_cut_numbers = cbShowCutNumbers->isChecked();
    const stavora_2d* engine = &window_.Engine();
    flags.cut_sequence_of = [engine](const Solution2D& layout) { return CutSequenceOf(*engine, layout); };
}

void report_commands::ApplyTexts()
{
    cbShowCutNumbers->setText(R(report_text::ShowCutNumbers));
    miSavePicture->setText(QString::fromStdWString(UiText(ui_text::SaveResults)) + QStringLiteral("…"));
    miReportPdf->setText(R(report_text::ReportPdf));
    miLabelsA4->setText(R(report_text::PartLabelsPdf) + QStringLiteral(" — A4 3 × 8"));
    miLabelsLetter->setText(R(report_text::PartLabelsPdf) + QStringLiteral(" — Letter 3 × 10"));
    ShowCutTotals();
}

bool report_commands::HasResults() const
{
    return !window_.IsRunning() && window_.Engine().solutions_2d.Count() > 0;
}

void report_commands::ShowCutTotals()
{
    if (!HasResults()) {
        lCutTotals->clear();
        return;
    }
    const cut_totals t = JobCutTotals(window_.Engine());
    lCutTotals->setText(R(report_text::CutTotals).arg(t.cut_count).arg(SizeText(t.cut_length)));
}

void report_commands::miReportPdfClick()
{
    if (!HasResults()) return;
    file_prompt prompt;
    prompt.caption = R(report_text::ReportPdf);
    prompt.file_name = R(report_text::JobReport) + QStringLiteral(".pdf");
    prompt.filter = QStringLiteral("PDF (*.pdf)");
    prompt.default_suffix = QStringLiteral("pdf");
    const QString name = Prompts().save_file(&window_, prompt);
    if (name.isEmpty()) return;
    report_options options;
    options.parts_file = window_.PartsFileName().isEmpty() ? QString() : QFileInfo(window_.PartsFileName()).fileName();
    options.flags = window_.DisplayFlags();
    if (!WriteJobReportPdf(name, window_.Engine(), options))
        Inform(&window_, QStringLiteral("The file could not be written:\n") + QDir::toNativeSeparators(name));
}

void report_commands::miLabelsClick(bool letter)
{
    if (!HasResults()) return;
    file_prompt prompt;
    prompt.caption = R(report_text::PartLabelsPdf);
    prompt.file_name = QStringLiteral("labels.pdf");
    prompt.filter = QStringLiteral("PDF (*.pdf)");
    prompt.default_suffix = QStringLiteral("pdf");
    const QString name = Prompts().save_file(&window_, prompt);
    if (name.isEmpty()) return;
    if (!WritePartLabelsPdf(name, MakePartLabels(window_.Engine()), letter ? label_sheet::letter_3x10 : label_sheet::a4_3x8))
        Inform(&window_, QStringLiteral("The file could not be written:\n") + QDir::toNativeSeparators(name));
}
