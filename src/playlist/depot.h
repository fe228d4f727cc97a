#pragma once
// Names of files dropped on the player, taken from the drop's
// "text/uri-list" as raw bytes: the path of each file URL is percent-decoded
// byte for byte, never through text, so that a name in any encoding (Latin-1,
// bytes that are no UTF-8 at all) reaches the play list as the file system
// spells it, as a name from the command line or a play-list file does.
#include <QByteArray>

#include <string>
#include <vector>

namespace vt {

// The local paths of a "text/uri-list" (one URI per line, CR LF or LF,
// '#' lines are comments), in order. Only "file:" URIs count: with an empty
// host or "localhost" the path is the URL's path; with another host it is
// "//host" followed by the path. Every "%XX" becomes its byte; any other
// byte, unescaped blanks included, is kept as it is. Other URIs and empty
// lines are skipped.
std::vector<std::string> chemins_uri_list(const QByteArray& uri_list);

}  // namespace vt
