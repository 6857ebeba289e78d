#pragma once
// The job report as PDF: the job and its totals, one page per distinct layout, the offcuts to keep.
#include <optional>

#include <QDateTime>
#include <QFont>
#include <QPageSize>
#include <QString>

#include "engine/stavora_2d.h"
#include "render/draw_layout.h"

struct report_options {
    QString parts_file;  // name shown on the first page
    QDateTime date = QDateTime::currentDateTime();
    QFont font = QFont(QStringLiteral("DejaVu Sans"), 9);
    layout_display_flags flags;  // the drawings' flags; cut numbers are always shown
    std::optional<QPageSize::PageSizeId> paper;  // the locale's paper when not given
};

// A4, or Letter where the locale measures in inches or prints on Letter.
QPageSize::PageSizeId PaperOfLocale(const QLocale& locale);

// 1 + distinct layouts + 1.
int ReportPageCount(const stavora_2d& facade);

// Writes the report of the facade's last run; false when the file cannot be written.
bool WriteJobReportPdf(const QString& file_name, const stavora_2d& facade, const report_options& options);
