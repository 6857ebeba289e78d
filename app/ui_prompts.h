#pragma once
// The window's modal questions and dialogs, replaceable so tests can answer them without blocking.
#include <functional>
#include <optional>

#include <QFont>
#include <QString>
#include <QUrl>

class QDialog;
class QWidget;

struct file_prompt {
    QString caption;
    QString directory;
    QString file_name;       // proposed name
    QString filter;          // Qt filter text, entries separated by ";;"
    QString default_suffix;  // added to a name typed without an extension
    bool confirm_overwrite = true;
    QString* selected_filter = nullptr;  // when given, receives the filter the user ended with
};

struct ui_prompts {
    // Information message box.
    std::function<void(QWidget* parent, const QString& text)> inform;
    // Yes/No confirmation; true for Yes.
    std::function<bool(QWidget* parent, const QString& text)> confirm;
    // Open and save file dialogs; the empty text when cancelled.
    std::function<QString(QWidget* parent, const file_prompt& prompt)> open_file;
    std::function<QString(QWidget* parent, const file_prompt& prompt)> save_file;
    // Runs a dialog modally and gives its result (QDialog::Accepted or Rejected).
    std::function<int(QDialog& dialog)> run_modal;
    // Font dialog; nullopt when cancelled.
    std::function<std::optional<QFont>(QWidget* parent, const QFont& initial)> choose_font;
    // Hands a web or mail address to the desktop.
    std::function<void(const QUrl& address)> open_url;
};

// The prompts of this process; tests replace members.
ui_prompts& Prompts();
// Back to the real message boxes and dialogs.
void ResetPrompts();

inline void Inform(QWidget* parent, const QString& text) { Prompts().inform(parent, text); }
inline bool Confirm(QWidget* parent, const QString& text) { return Prompts().confirm(parent, text); }
