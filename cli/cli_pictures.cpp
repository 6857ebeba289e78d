#include "cli/cli_pictures.h"

#include <cstdio>
#include <filesystem>

#include <QBuffer>
#include <QGuiApplication>

#include "cli/cli_outputs.h"
#include "i18n/ui_texts.h"
#include "render/draw_bar.h"
#include "render/draw_layout.h"
#include "render/job_report.h"
#include "render/part_labels.h"

namespace {

// The picture size of a layout in the window's results view on a common screen.
constexpr int kPictureBoxWidth = 1200;
constexpr int kPictureBoxHeight = 900;

// The platform's own notices (a missing runtime folder and the like) are not the user's concern.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
}

QFont DrawingFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(16);
    return font;
}

bool WriteImages(const std::string& dir, const char* format, const stavora_2d& facade,
                 const layout_display_flags& flags, std::string& error)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        error = dir + ": cannot create the folder";
        return false;
    }
    const QImage hatch = MakeHatchPattern();
    const QFont font = DrawingFont();
    auto save = [&](const QImage& picture, const std::string& name) {
        const std::filesystem::path file = std::filesystem::path(dir) / (name + "." + format);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, format)) {
            error = file.string() + ": cannot draw the picture";
            return false;
        }
        return SaveOutputFile(file.string(), std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                              error);
    };
    int number = 0;
    for (const auto& layout : facade.solutions_2d) {
        ++number;
        const auto picture = DrawLayoutPicture(*layout, kPictureBoxWidth, kPictureBoxHeight, hatch, flags, font);
        if (picture && !save(*picture, "Sheet" + std::to_string(number))) return false;
    }
    number = 0;
    for (const auto& bar : facade.solutions_1d) {
        ++number;
        const auto picture = DrawBarLayoutPicture(*bar, kPictureBoxWidth, hatch, flags, font);
        if (picture && !save(*picture, "Bar" + std::to_string(number))) return false;
    }
    return true;
}

// The job report and the part labels.
bool WriteSawDocuments(const cli_options& options, const stavora_2d& facade, const layout_display_flags& flags,
                       std::string& error)
{
    if (!options.report_file.empty()) {
        report_options report;
        report.parts_file = options.example ? QStringLiteral("(example)")
                                            : QString::fromStdString(std::filesystem::path(options.parts_file).filename().string());
        report.flags = flags;
        if (!WriteJobReportPdf(QString::fromStdString(options.report_file), facade, report)) {
            error = options.report_file + ": cannot write the report";
            return false;
        }
    }
    if (!options.labels_file.empty()) {
        const label_sheet sheet = options.label_sheet == "letter-3x10" ? label_sheet::letter_3x10 : label_sheet::a4_3x8;
        if (!WritePartLabelsPdf(QString::fromStdString(options.labels_file), MakePartLabels(facade), sheet)) {
            error = options.labels_file + ": cannot write the labels";
            return false;
        }
    }
    return true;
}

}  // namespace

bool WritePictures(const cli_options& options, const stavora_2d& facade, std::string& error)
{
    if (options.pdf_file.empty() && options.png_dir.empty() && options.bmp_dir.empty() && options.report_file.empty() &&
        options.labels_file.empty())
        return true;
    // Drawing needs a GUI application but never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietQtMessages);
    int argc = 1;
    char name[] = "stavora-cli";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    LoadLanguage(LanguageNames()[kEnglishLanguageIndex]);

    layout_display_flags flags;
    flags.show_part_sizes = options.show_part_size;
    flags.show_waste_sizes = options.show_waste_size;
    flags.show_part_labels = options.show_part_label;
    flags.show_cut_numbers = options.show_cut_numbers;
    flags.cut_sequence_of = [&facade](const Solution2D& layout) { return CutSequenceOf(facade, layout); };

    if (!options.pdf_file.empty()) {
        QFont font(QStringLiteral("Tahoma"));
        font.setPointSize(12);
        const auto pdf = LayoutsPdf(facade.solutions_2d, facade.solutions_1d, flags, font);
        if (!pdf) {
            error = options.pdf_file + ": cannot draw the PDF";
            return false;
        }
        if (!SaveOutputFile(options.pdf_file, std::string_view(pdf->constData(), static_cast<size_t>(pdf->size())),
                            error))
            return false;
    }
    if (!WriteSawDocuments(options, facade, flags, error)) return false;
    if (!options.png_dir.empty() && !WriteImages(options.png_dir, "png", facade, flags, error)) return false;
    if (!options.bmp_dir.empty() && !WriteImages(options.bmp_dir, "bmp", facade, flags, error)) return false;
    return true;
}
