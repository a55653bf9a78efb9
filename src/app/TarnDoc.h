#pragma once
#include "data/DataController.h"

// The document: it carries the one data controller, connected to the process-wide MIDI holder from the
// moment the document exists. It reads and writes no files and is never modified, so closing the
// window never asks to save. Lives on the user-interface thread.
class CTarnDoc {
public:
    CTarnDoc();
    CTarnDoc(const CTarnDoc&) = delete;
    CTarnDoc& operator=(const CTarnDoc&) = delete;
    virtual ~CTarnDoc() = default;

    [[nodiscard]] CDataController& DataController() { return m_dataController; }
    [[nodiscard]] const CDataController& DataController() const { return m_dataController; }

    // A new document is the data controller as constructed; there is nothing else to set up.
    [[nodiscard]] bool OnNewDocument() { return true; }
    [[nodiscard]] bool IsModified() const { return false; }
    // Whether the window may close without saving: always, there is nothing to save.
    [[nodiscard]] bool SaveModified() { return true; }

private:
    CDataController m_dataController;
};
