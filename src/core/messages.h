// The texts that both the windows and the command-line tool show the user, in the windows'
// form: lines end in CR LF, and the tool turns each pair into a line feed.
#pragma once

#include <string>
#include <string_view>

namespace pixa::msg {

inline constexpr std::string_view OwnerNameCompulsory = "Owner's name is compulsory.";
inline constexpr std::string_view OwnerExists =
    "An owner with this name already exists.\r\nPlease enter another user name.";
inline constexpr std::string_view OwnerPasswordMismatch =
    "Confirmation password does not match Owner Password";
inline constexpr std::string_view PasswordsMustDiffer =
    "Owner password and Viewer Password MUST be different";
inline constexpr std::string_view ViewerPasswordMismatch =
    "Confirmation password does not match Viewer Password";
inline constexpr std::string_view LoginRefused = "Invalid owner's name or owner password";
inline constexpr std::string_view EnterUserName = "Please enter user name ";
inline constexpr std::string_view UnknownUserName = "Invalid user name";
inline constexpr std::string_view InvalidPassword = "Invalid password";
// A caption that stops at a code without a character; the file is read all the same.
inline constexpr std::string_view CorruptTag = "The selected file seems to be corrupt";

// An empty password, named as `which` ("The owner password"), refused at registration.
std::string passwordCompulsory(std::string_view which);
inline constexpr std::string_view OwnerPasswordName = "The owner password";
inline constexpr std::string_view ViewerPasswordName = "The viewer password";

// A file that was read and is not a wrapped photo, named by its full path, while a folder is
// listed by caption.
std::string corruptFile(std::string_view fullPath);

} // namespace pixa::msg
