#pragma once

#include "UI/Binding.h"

#include <QString>
#include <functional>

class PopoverFrame;
class QWidget;

// An editor card of the header in a popover attached to the control that
// opens it: shown while the owner's flag reads true, editing a draft that the
// owner keeps. The owner hands in its latest bindings on every update; the
// popover and the editor read through this object, so they always see the
// latest ones. Each time the popover opens, the editor gets the keyboard.
class PopoverEditor final {
public:
    // Takes ownership of `editor`; `focusEditor` puts the keyboard in it.
    PopoverEditor(QWidget* opener, QWidget* editor, std::function<void()> focusEditor);
    ~PopoverEditor();
    PopoverEditor(const PopoverEditor&) = delete;
    PopoverEditor& operator=(const PopoverEditor&) = delete;

    void setBindings(Binding<bool> isShown, Binding<QString> draft);
    // The owner's draft, for the editor.
    Binding<QString> draftBinding() const;

    // Opens the popover on `draft`.
    void open(const QString& draft);
    // Throws the edit away: the draft goes back to `stored` and the popover closes.
    void cancel(const QString& stored);
    // Hands on the draft exactly as typed and closes.
    void save(const std::function<void(const QString&)>& onSave);

    // Shows or hides the popover to match the flag.
    void sync();

    bool isShown() const { return m_isShown.value(); }
    void setShown(bool shown) const { m_isShown.setValue(shown); }
    void setDraft(const QString& draft) const { m_draft.setValue(draft); }
    PopoverFrame* popover() const { return m_popover; }

private:
    Binding<bool> m_isShown;
    Binding<QString> m_draft;
    std::function<void()> m_focusEditor;
    PopoverFrame* m_popover;
};
