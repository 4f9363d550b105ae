// What tests and benchmarks reach inside the main window, beyond what the program itself uses.
#pragma once

#include "EditorCommands.h"
#include "Form_Main.h"

class TFormMainTestAccess {
public:
    // The editor's copy of the record, as its boxes hold it.
    static TTaxonomyDetail& EditRecord(TFormMain& w) { return w.FEditor->EditRecord(); }
    // Whether start-up could not open a program file.
    static bool DataFileFailed(const TFormMain& w) { return w.FSession.DataFileFailed(); }
};
