// Moving an original photo to the desktop's trash once its wrapped photo gives it back whole.
#pragma once

#include "core/pff_file.h"

#include <QString>

#include <stop_token>

namespace pixa::ui {

// What became of one original.
struct TrashOutcome {
    bool moved = false;
    QString reason;  // why the original stayed, for people; empty when moved
    QString inTrash; // where the original is now, in the trash's files folder, when moved
};

// Moves `original` to the desktop's trash (the freedesktop trash of its volume, or the home
// trash) once the wrapped photo `pff` has been read back and gives back every byte of it; never
// deletes it. The original stays where it is when the read-back or the move fails, and the
// outcome says why. Progress goes to `progress` per block read back; a stop requested through
// `stop` throws "User interrupt occurred", the original staying.
TrashOutcome trashVerifiedOriginal(const QString& original, const QString& pff,
                                   const Progress& progress = {}, std::stop_token stop = {});

} // namespace pixa::ui
