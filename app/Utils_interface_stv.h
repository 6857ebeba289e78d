#pragma once
// Stored settings: technical values, language, window sizes and drawing font, kept with QSettings.
#include <array>
#include <cstdint>

#include <QFont>
#include <QString>

#include "model/input_records.h"

class QSettings;
class Tf2D;
class TfTechnicalSettings;

// The window layout kept between sessions.
struct interface_layout {
    std::array<int32_t, 5> parts_column_widths{75, 75, 75, 75, 75};
    std::array<int32_t, 5> stock_column_widths{75, 75, 75, 75, 75};
    int32_t parts_height = 262;
    int32_t data_width = 425;
};

inline constexpr int32_t kMinimalColumnWidth = 30;
inline constexpr int32_t kMinimalPartsHeight = 100;
inline constexpr int32_t kMinimalDataWidth = 200;

// Reads the group `key` of `store`. Without the group: language 6 and everything else as given.
// Reading stops at the first integer value that is missing or not a number; the language is then 6.
void LoadSettings(QSettings& store, const QString& key, parameters_as_number_2d& parameters,
                  interface_layout& layout, int32_t& language_index, int32_t& first_start_marker, QFont& font);
void SaveSettings(QSettings& store, const QString& key, const parameters_as_number_2d& parameters,
                  const interface_layout& layout, int32_t language_index, const QString& version, const QFont& font);

// The settings dialog from a parameter record and back (four fields).
void ApplyParameters(TfTechnicalSettings& dialog, const parameters_as_number_2d& parameters);
void CollectParameters(const TfTechnicalSettings& dialog, parameters_as_number_2d& parameters);

// Column widths, parts-grid height and data-panel width of the main window.
void ApplyLayout(Tf2D& window, const interface_layout& layout);
void CollectLayout(const Tf2D& window, interface_layout& layout);
