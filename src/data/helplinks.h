#pragma once

// The help tab's contact links and the messages for the shell's failures to open them.

#include <QByteArray>

namespace helplinks {

// "mailto:" + address + "?Subject=" + subject, the subject unencoded as it stands.
QByteArray mailLink(const QByteArray& address, const QByteArray& subject);
// "http://" + the site.
QByteArray webLink(const QByteArray& site);

inline constexpr const char* RequestSubject = "Treba mi propis...";
inline constexpr const char* SuggestionSubject = "Sugestija za poboljsanje Korvelin...";
inline constexpr const char* ConsultingSubject = "Imam pitanje u vezi...";

// The manual beside the program, and the folder it is opened in.
inline constexpr const char* ManualFolder = "uputstvo/";
inline constexpr const char* ManualFile = "uputstvo/uputstvo.rtf";

enum class MessageSet { Mail, Web, Manual };

// The message for the shell's result; empty for success and for error codes without a message.
QByteArray shellMessage(MessageSet set, int result);

} // namespace helplinks
