// SPDX-License-Identifier: MIT
#pragma once

// The settings dialogs' OK and Cancel, wired to accept and reject.

class QDialog;
class QDialogButtonBox;

[[nodiscard]] QDialogButtonBox* OkCancelButtons(QDialog* dialog);
