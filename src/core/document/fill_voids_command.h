#pragma once

#include "core/document/edit_commands.h"
#include "core/edit/fill_voids.h"

// "Fill Voids...": the fill of the request over the document's selection,
// with the snapshot, the recolouring and the modified mark of every edit.
// `run` gets the voids of the selection and those filled.
TTEditOutcome FillVoidsCommand(TTDocument& doc, const TTFillRequest& request, TTProgress* progress,
                               TTFillRun* run = nullptr);
