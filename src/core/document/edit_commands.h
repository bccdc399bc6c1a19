#pragma once

#include <cstdint>

#include "core/mesh/cell_rect.h"

class TTDocument;
class TTProgress;
struct TTInterpolRun;

// The core half of every edit command: take the document's selection,
// record its snapshot, change the samples, recolour what changed and mark
// the document modified. The front end asks its questions first (a dialog
// for the values, the warning when UndoFits is false) and repaints after.
struct TTEditOutcome {
  TCellRect Changed;              // what the image must show anew
  bool Recorded = false;          // a snapshot went into the undo list
  bool Clipped = false;           // AddVertOffset: samples were clipped
  bool OutOfMemory = false;       // nothing changed: storage could not be had
  bool SelectionDropped = false;  // the polygon fill ends the selection
};

TTEditOutcome ChangeValueCommand(TTDocument& doc, int16_t current, int16_t replacement,
                                 TTProgress* progress);
TTEditOutcome RestrictHeightCommand(TTDocument& doc, int16_t lower, int16_t upper, uint16_t flags,
                                    TTProgress* progress);
TTEditOutcome AddVertOffsetCommand(TTDocument& doc, int32_t offset, TTProgress* progress);
TTEditOutcome InterpolateCommand(TTDocument& doc, int32_t radius, double weight,
                                 TTProgress* progress, TTInterpolRun* run = nullptr);
// mode: kFillKeepVoids, kFillVoidsOnly or kFillAll (core/edit/mesh_edit.h).
TTEditOutcome FillCommand(TTDocument& doc, int16_t value, int16_t mode);

// Undo: writes the newest snapshot back. `more` tells whether any remain.
TTEditOutcome UndoCommand(TTDocument& doc, bool& more);
// Redo: puts back what the last Undo replaced. `more` tells whether any remain.
TTEditOutcome RedoCommand(TTDocument& doc, bool& more);
