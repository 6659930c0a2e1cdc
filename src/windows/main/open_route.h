// Where the open command, a drop and the command line send a file: decided by its first bytes,
// whatever the open dialog's type or the file's name says.
#pragma once

#include <QString>

namespace pixa::ui {

// The open dialog's types, in their order; the fourth lists every kind that opens.
QString openDialogFilter();
inline constexpr int kWrappedPhotoType = 1;
inline constexpr int kAllPhotosType = 4;
// No dialog chose the file: a drop or the command line.
inline constexpr int kNoDialogType = 0;

struct OpenRoute {
    bool wrapped = false; // to the viewer unlock window; else shown as a picture
    QString fileType;     // orig_file_type: ".PFF", ".BMP", ".JPG"...
};

// A wrapped photo goes to the unlock window; anything else is loaded as a picture, whose loader
// says what is wrong with a file that is not one. The bitmap and JPEG types name the photo's
// type as chosen; otherwise the content names it, else the extension. A file that cannot be read
// goes the picture's way, where loading it reports why.
OpenRoute openRoute(const QString& path, int dialogType);

} // namespace pixa::ui
