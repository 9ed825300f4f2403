// The factory preset the editor names: the one chosen last in it, else the
// first whose values the parameters hold, else one they differ from in at
// most kNearby parameters; marked as edited while a parameter does not hold
// its value. A preset is chosen through the editor host, as
// the user's own edits of every parameter it changes.
#pragma once

#include "EditorHost.h"

#include <string>
#include <vector>

class PresetSelection {
public:
    explicit PresetSelection(EditorHost& host) : host_(host) {}

    static std::vector<std::string> names();
    // Sets every parameter the preset changes, each as one edit.
    void choose(int index);
    // Brings the name and the edited mark to the parameters' values now.
    void follow();
    // The preset's index, or -1 while none is named.
    int index() const { return index_; }
    bool edited() const { return edited_; }
    // "Clear Voice", "Clear Voice *" once edited, or kNone.
    std::string text() const;
    static constexpr const char* kNone = "choose a preset";
    static constexpr int kNearby = 3;

private:
    int differences(int index) const;  // the parameters not at the preset's value

    EditorHost& host_;
    int index_ = -1;
    bool edited_ = false;
};
