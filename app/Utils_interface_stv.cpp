#include "app/Utils_interface_stv.h"

#include <algorithm>
#include <optional>

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSettings>
#include <QSplitter>
#include <QTableWidget>

#include "app/locale_stv.h"
#include "app/mainform_stv.h"
#include "app/technical_settings_stv.h"
#include "model/Utils_fractions_vcl.h"

namespace {

constexpr int kEnglish = 6;

fractional_double SizeValue(const QSettings& store, const QString& name)
{
    return grid_text_to_fraction(ToWide(store.value(name).toString()), LocaleDecimalSeparator());
}

QString StoredSizeText(const fractional_double& value) { return ToQString(value.FormatDisplay(LocaleDecimalSeparator())); }

std::optional<int32_t> IntegerValue(const QSettings& store, const QString& name)
{
    if (!store.contains(name)) return std::nullopt;
    bool ok = false;
    const int value = store.value(name).toInt(&ok);
    if (!ok) return std::nullopt;
    return value;
}

// Thrown inside LoadSettings to end the reading where a value is missing.
struct missing_value {};

int32_t RequiredInteger(const QSettings& store, const QString& name)
{
    auto value = IntegerValue(store, name);
    if (!value) throw missing_value{};
    return *value;
}

}  // namespace

void LoadSettings(QSettings& store, const QString& key, parameters_as_number_2d& parameters,
                  interface_layout& layout, int32_t& language_index, int32_t& first_start_marker, QFont& font)
{
    if (!store.childGroups().contains(key)) {
        language_index = kEnglish;
        return;
    }
    store.beginGroup(key);
    try {
        parameters.cutter_thickness = SizeValue(store, QStringLiteral("Cutter thickness"));
        parameters.minimal_break_size = SizeValue(store, QStringLiteral("Minimal break size"));
        parameters.maximal_cut_length = SizeValue(store, QStringLiteral("Maximal cut length"));
        parameters.round_fractions_to = RequiredInteger(store, QStringLiteral("Round all fractions to"));
        parameters.minimal_useful_size = SizeValue(store, QStringLiteral("Minimal useful size"));
        // Settings stored before the effort choice existed keep the default.
        if (const auto effort = IntegerValue(store, QStringLiteral("Search effort")); effort && *effort >= 0 && *effort <= 2)
            parameters.effort = static_cast<uint8_t>(*effort);

        language_index = store.contains(QStringLiteral("Version"))
                             ? RequiredInteger(store, QStringLiteral("Language Index"))
                             : kEnglish;
        if (store.contains(QStringLiteral("Started")))
            first_start_marker = RequiredInteger(store, QStringLiteral("Started"));

        for (int i = 0; i < 5; ++i) {
            const auto index = static_cast<size_t>(i);
            layout.parts_column_widths[index] =
                std::max(RequiredInteger(store, QStringLiteral("PartsColSize%1").arg(i)), kMinimalColumnWidth);
            layout.stock_column_widths[index] =
                std::max(RequiredInteger(store, QStringLiteral("StockColSize%1").arg(i)), kMinimalColumnWidth);
        }
        layout.parts_height = std::max(RequiredInteger(store, QStringLiteral("PartsHeight")), kMinimalPartsHeight);
        layout.data_width = std::max(RequiredInteger(store, QStringLiteral("DataWidth")), kMinimalDataWidth);

        if (store.contains(QStringLiteral("FontSize"))) {
            const int32_t size = RequiredInteger(store, QStringLiteral("FontSize"));
            if (size > 0) font.setPointSize(size);
        }
        if (store.contains(QStringLiteral("FontName")))
            font.setFamily(store.value(QStringLiteral("FontName")).toString());
        if (store.contains(QStringLiteral("FontBold")) && RequiredInteger(store, QStringLiteral("FontBold")) != 0)
            font.setBold(true);
        if (store.contains(QStringLiteral("FontItalic")) && RequiredInteger(store, QStringLiteral("FontItalic")) != 0)
            font.setItalic(true);
    } catch (const missing_value&) {
        language_index = kEnglish;
    }
    store.endGroup();
}

void SaveSettings(QSettings& store, const QString& key, const parameters_as_number_2d& parameters,
                  const interface_layout& layout, int32_t language_index, const QString& version, const QFont& font)
{
    store.beginGroup(key);
    store.setValue(QStringLiteral("Cutter thickness"), StoredSizeText(parameters.cutter_thickness));
    store.setValue(QStringLiteral("Minimal break size"), StoredSizeText(parameters.minimal_break_size));
    store.setValue(QStringLiteral("Maximal cut length"), StoredSizeText(parameters.maximal_cut_length));
    store.setValue(QStringLiteral("Minimal useful size"), StoredSizeText(parameters.minimal_useful_size));
    store.setValue(QStringLiteral("Round all fractions to"), parameters.round_fractions_to);
    store.setValue(QStringLiteral("Search effort"), static_cast<int>(parameters.effort));
    store.setValue(QStringLiteral("Language Index"), language_index);
    store.setValue(QStringLiteral("Started"), 1);
    for (int i = 0; i < 5; ++i) {
        const auto index = static_cast<size_t>(i);
        store.setValue(QStringLiteral("PartsColSize%1").arg(i), layout.parts_column_widths[index]);
        store.setValue(QStringLiteral("StockColSize%1").arg(i), layout.stock_column_widths[index]);
    }
    store.setValue(QStringLiteral("PartsHeight"), layout.parts_height);
    store.setValue(QStringLiteral("DataWidth"), layout.data_width);
    store.setValue(QStringLiteral("Version"), version);
    store.setValue(QStringLiteral("FontSize"), font.pointSize());
    store.setValue(QStringLiteral("FontName"), font.family());
    store.setValue(QStringLiteral("FontBold"), font.bold() ? 1 : 0);
    store.setValue(QStringLiteral("FontItalic"), font.italic() ? 1 : 0);
    store.endGroup();
    store.sync();
}

void ApplyParameters(TfTechnicalSettings& dialog, const parameters_as_number_2d& parameters)
{
    dialog.leCutterThickness->setText(StoredSizeText(parameters.cutter_thickness));
    dialog.leMinimalBreakSize->setText(StoredSizeText(parameters.minimal_break_size));
    dialog.eLungimeMaximaTaietura->setText(StoredSizeText(parameters.maximal_cut_length));
    // A stored choice outside 1/2 .. 1/32 would leave no rounding at all; it falls back to 1/16.
    const int index = parameters.round_fractions_to;
    dialog.cbRoundFractionsTo->setCurrentIndex(index >= 0 && index < dialog.cbRoundFractionsTo->count() ? index : 3);
    dialog.cbSearchEffort->setCurrentIndex(parameters.effort <= 2 ? parameters.effort : 1);
}

void CollectParameters(const TfTechnicalSettings& dialog, parameters_as_number_2d& parameters)
{
    const wchar_t separator = LocaleDecimalSeparator();
    parameters.cutter_thickness = grid_text_to_fraction(ToWide(dialog.leCutterThickness->text()), separator);
    parameters.minimal_break_size = grid_text_to_fraction(ToWide(dialog.leMinimalBreakSize->text()), separator);
    parameters.maximal_cut_length = grid_text_to_fraction(ToWide(dialog.eLungimeMaximaTaietura->text()), separator);
    parameters.round_fractions_to = dialog.cbRoundFractionsTo->currentIndex();
    parameters.effort = static_cast<uint8_t>(std::clamp(dialog.cbSearchEffort->currentIndex(), 0, 2));
}

void ApplyLayout(Tf2D& window, const interface_layout& layout)
{
    for (int c = 0; c < 5; ++c) {
        const auto index = static_cast<size_t>(c);
        window.sgParts->setColumnWidth(c, layout.parts_column_widths[index]);
        window.sgStock->setColumnWidth(c, layout.stock_column_widths[index]);
    }
    window.SetPartsGridHeight(layout.parts_height);
    window.SetDataPanelWidth(layout.data_width);
}

void CollectLayout(const Tf2D& window, interface_layout& layout)
{
    for (int c = 0; c < 5; ++c) {
        const auto index = static_cast<size_t>(c);
        layout.parts_column_widths[index] = window.sgParts->columnWidth(c);
        layout.stock_column_widths[index] = window.sgStock->columnWidth(c);
    }
    layout.parts_height = window.PartsGridHeight();
    layout.data_width = window.DataPanelWidth();
}
