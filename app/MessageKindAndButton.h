#pragma once
// What a message box is made of besides its text: its kind (icon and title)
// and the one button it carries. The window logic asks for boxes with these;
// the Windows message box draws them.

namespace velmora {

enum class MessageKind { Error, Warning, Information };
// The one button a box carries. Ok is the default exception box's button.
enum class MessageButton { Abort, Yes, Ok };

}  // namespace velmora
