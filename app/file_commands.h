#pragma once
// The parts list commands Clear, Open, Save and Save as, with the list's file names and modified flag.
#include <functional>
#include <stdexcept>

#include <QString>

class Callbacks_stv;
class QWidget;
class grid_editor;
class stavora_2d;

// A file could not be read or written; the command stops with this message.
class file_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void ThrowFileError(const QString& what, const QString& file_name);

class parts_file_commands {
public:
    // `list_replaced` is told when the list was replaced or emptied (the results go);
    // `state_changed` whenever the modified flag or the file name changes.
    parts_file_commands(QWidget& window, stavora_2d& engine, const Callbacks_stv& callbacks, grid_editor& parts,
                        std::function<void()> list_replaced, std::function<void()> state_changed);

    bool Modified() const { return modified_; }
    void SetModified(bool modified);
    // The name the next Save writes to without asking (empty: Save asks).
    const QString& SaveName() const { return save_name_; }
    // The file the list was last opened from or written to (the window title shows it).
    const QString& ListName() const { return list_name_; }

    // Each may throw a file_error or a conversion_error after a partial step.
    void Clear();
    void Open();
    void Save();
    void SaveAs();
    // Offers to save modified parts (Yes saves, No goes on).
    void OfferToSave();

private:
    QString AskSaveName();
    void Write(const QString& file_name);
    void SetListName(const QString& name);

    QWidget& window_;
    stavora_2d& engine_;
    const Callbacks_stv& callbacks_;
    grid_editor& parts_;
    std::function<void()> list_replaced_;
    std::function<void()> state_changed_;
    bool modified_ = false;
    QString save_name_;
    QString open_name_;
    QString list_name_;
    QString directory_;
};
