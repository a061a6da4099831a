// SPDX-License-Identifier: MIT
#pragma once

// The document of the single-document program. It holds nothing: the domain
// table is the model, and nothing is read from or written to a document file.

class CMakeHtmlDoc final {
public:
    // A new document runs the base initialisation only.
    bool OnNewDocument() { return true; }
    [[nodiscard]] bool IsModified() const { return false; }
};
