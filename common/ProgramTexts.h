#pragma once
// Texts that more than one program shows, each written once: the toolbox's
// boxes, the console's and the service's reports and the service
// installer's boxes use the same words.

namespace velmora {

// An allocation failed: the text of the std::runtime_error or update error
// that is raised, and so of the box or event-log entry that shows it.
inline constexpr char kOutOfMemoryText[] = "Out of memory!";

// Titles of message boxes by kind.
inline constexpr char kErrorCaption[] = "Error";
inline constexpr char kWarningCaption[] = "Warning";
inline constexpr char kInformationCaption[] = "Information";

}  // namespace velmora
