#pragma once
// The parts list commands Clear, Open, Save and Save as, with the list's file names and modified flag.
#include <functional>
#include <stdexcept>

#include <QString>

class Callbacks_stv;
class QUndoCommand;
class QUndoStack;
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
    // The names a Save writes to and the title shows; an undo of Open or Clear gives them back.
    struct list_names {
        QString save_name;
        QString list_name;
    };

    // `list_replaced` is told when the list was replaced or emptied (the results go);
    // `state_changed` whenever the modified flag or the file name changes. The list as last saved,
    // opened or cleared is the clean state of `undo`: undoing or redoing back to it is unmodified again.
    parts_file_commands(QWidget& window, stavora_2d& engine, const Callbacks_stv& callbacks, grid_editor& parts,
                        QUndoStack& undo, std::function<void()> list_replaced, std::function<void()> state_changed);

    bool Modified() const { return modified_; }
    void SetModified(bool modified);
    // The list now is the saved one.
    void MarkUnmodified();
    // The parts changed without an undo step (a restored copy): no undo reaches the saved list again.
    void MarkChangedOutsideUndo();
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
    // Whether a parts step lies between the clean state and the current one (stock steps do not count).
    bool PartsChangedSinceClean() const;
    QString AskSaveName();
    void Write(const QString& file_name);
    void SetListName(const QString& name);
    list_names Names() const { return {save_name_, list_name_}; }
    void SetNames(const list_names& names);
    // Hangs the change of names since `before` below the grid step, so that they are undone together.
    void KeepNamesWith(QUndoCommand* grid_step, const list_names& before);

    QWidget& window_;
    stavora_2d& engine_;
    const Callbacks_stv& callbacks_;
    grid_editor& parts_;
    QUndoStack& undo_;
    std::function<void()> list_replaced_;
    std::function<void()> state_changed_;
    bool modified_ = false;
    QString save_name_;
    QString open_name_;
    QString list_name_;
    QString directory_;
};
