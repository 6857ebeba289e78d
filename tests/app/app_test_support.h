#pragma once
// Shared pieces of the window tests: answered prompts, a temporary environment, typing into cells.
#include <deque>
#include <memory>

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QSettings>
#include <QStringList>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/Callbacks_stv.h"
#include "app/data_grid.h"
#include "app/mainform_stv.h"
#include "app/ui_prompts.h"

// Records every message and answers questions and file dialogs from queues.
struct prompt_recorder {
    QStringList messages;
    QStringList questions;
    std::deque<bool> answers;           // confirmations; No when empty
    std::deque<QString> open_names;     // open dialog; cancelled when empty
    std::deque<QString> save_names;     // save dialog; cancelled when empty
    int save_dialogs = 0;
    std::function<int(QDialog&)> run_modal = [](QDialog&) { return int(QDialog::Rejected); };

    void Install()
    {
        ResetPrompts();
        ui_prompts& p = Prompts();
        p.inform = [this](QWidget*, const QString& text) { messages << text; };
        p.confirm = [this](QWidget*, const QString& text) {
            questions << text;
            if (answers.empty()) return false;
            const bool answer = answers.front();
            answers.pop_front();
            return answer;
        };
        p.open_file = [this](QWidget*, const file_prompt&) { return Take(open_names); };
        p.save_file = [this](QWidget*, const file_prompt&) {
            ++save_dialogs;
            return Take(save_names);
        };
        p.run_modal = [this](QDialog& dialog) { return run_modal(dialog); };
        p.choose_font = [](QWidget*, const QFont&) { return std::optional<QFont>(); };
        p.open_url = [](const QUrl&) {};
    }

    static QString Take(std::deque<QString>& queue)
    {
        if (queue.empty()) return {};
        QString name = queue.front();
        queue.pop_front();
        return name;
    }
};

// Settings in an INI file, program and data folders, all inside one temporary folder.
struct temporary_environment {
    QTemporaryDir folder;

    QString SettingsFile() const { return folder.filePath(QStringLiteral("settings.ini")); }
    QString ProgramFolder() const { return folder.filePath(QStringLiteral("program")) + QLatin1Char('/'); }
    QString DataFolder() const { return folder.filePath(QStringLiteral("data")); }
    QString File(const QString& name) const { return folder.filePath(name); }

    app_environment Environment() const
    {
        QDir().mkpath(ProgramFolder());
        app_environment environment;
        const QString settings_file = SettingsFile();
        environment.open_settings = [settings_file] {
            return std::make_unique<QSettings>(settings_file, QSettings::IniFormat);
        };
        environment.program_directory = ProgramFolder();
        environment.data_directory = DataFolder();
        return environment;
    }
};

// Puts the window on screen, active, with both grids empty and the focus in the parts grid, as the
// grid tests start; false when the window never became active.
inline bool ShowWithEmptyGrids(Tf2D& window)
{
    window.resize(1400, 900);
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) return false;
    window.Callbacks().clear_parts_grid();
    window.Callbacks().clear_stock_grid();
    window.sgParts->setFocus();
    return true;
}

// Selects a cell like a click would and gives its editor, opened as by a key press.
inline QLineEdit* OpenEditor(QTableWidget& grid, int column, int row)
{
    grid.setCurrentCell(row - 1, column);
    const QModelIndex index = grid.model()->index(row - 1, column);
    grid.edit(index);
    return qobject_cast<QLineEdit*>(grid.indexWidget(index));
}

// Types into a cell (replacing its text) without leaving it.
inline void TypeIntoCell(QTableWidget& grid, int column, int row, const QString& text)
{
    QLineEdit* editor = OpenEditor(grid, column, row);
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClicks(editor, text);
}

// Presses Tab in the open editor of the current cell (or on the grid when none is open).
inline void PressTab(QTableWidget& grid)
{
    QWidget* editor = grid.indexWidget(grid.currentIndex());
    QTest::keyClick(editor ? editor : static_cast<QWidget*>(&grid), Qt::Key_Tab);
}

inline void FillRow(QTableWidget& grid, int row, const QStringList& cells)
{
    for (int c = 0; c < cells.size(); ++c) SetCellText(grid, c, row, cells[c]);
}

inline QStringList RowTexts(const QTableWidget& grid, int row)
{
    QStringList texts;
    for (int c = 0; c < kGridColumnCount; ++c) texts << CellText(grid, c, row);
    return texts;
}
