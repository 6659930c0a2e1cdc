// What the registration and login windows share: their boxes read as stored bytes, the padded
// texts written back, admitting an owner, clear failure messages and the painted backdrop.
#pragma once

#include "core/error.h"
#include "core/owner_store.h"
#include "ui/window_base.h"
#include "windows/owner/owner_navigator.h"

#include <QPixmap>
#include <QRect>
#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QLabel;
class QLineEdit;
class QWidget;

namespace pixa::ui {

// A text box of an owner window, named for tests and messages, at `geometry` in pixels.
QLineEdit* addTextBox(QWidget* window, const char* name, const QRect& geometry);
// Hides what is typed behind "*" characters.
void makePasswordBox(QLineEdit* box);
// Limits what the user can type to `maxChars` while leaving the window free to write longer
// texts (the padded ones) into the box, which QLineEdit's own maximum length would cut.
void limitTyping(QLineEdit* box, int maxChars);
// A label over the backdrop from `left` to just before `box`, wrapped when it is too long.
QLabel* addBoxLabel(QWidget* window, QLineEdit* box, const QString& text, int left);

// A framed group on the backdrop with its heading inside the frame's top.
struct GroupFrame {
    QRect rect;
    QString heading;
};

// The shared artwork with the window's banner and its framed groups.
QPixmap ownerBackdrop(const QSize& size, const QString& banner,
                      const std::vector<GroupFrame>& groups);

// How a box is named in messages; secret boxes never have their characters repeated.
struct FieldName {
    QString label;
    bool secret = false;
};

// The box's text as code-page bytes, or nullopt after telling the user which character cannot be
// stored.
std::optional<std::string> storableText(Platform& platform, QWidget* window, const QLineEdit& box,
                                        const FieldName& field);

// Applies the padding rule to `bytes` and writes the padded text back into `box`.
std::string padIntoBox(QLineEdit& box, std::string_view bytes, std::size_t width);

// Makes `owner` the current owner and tells the main window, which lets it go and captions itself
// with the name.
void admitOwner(const OwnerWindowContext& context, CurrentOwner owner);

// A padded text handed to the core, with the core's name for it (kOwnerNameField...) and how
// the window names it.
struct PaddedField {
    const char* coreField;
    FieldName name;
    std::string padded;
};

// When the core refused one character of one of `fields` (it cannot be scrambled with the key
// drawn just now), that character named for the user; nullopt for any other failure.
std::optional<QString> refusedCharacterText(const Failure& failure,
                                            const std::vector<PaddedField>& fields);

// A message for a store that could not be read or written: what failed and why.
QString storeFailureText(const QString& consequence, const Failure& failure);

} // namespace pixa::ui
