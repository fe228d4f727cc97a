#pragma once
// How the windows bring files into the play list: the open dialog, and
// drops.
//
// Names of files dropped on the player, taken from the drop's
// "text/uri-list" as raw bytes: the path of each file URL is percent-decoded
// byte for byte, never through text, so that a name in any encoding (Latin-1,
// bytes that are no UTF-8 at all) reaches the play list as the file system
// spells it, as a name from the command line or a play-list file does.
#include <QByteArray>

#include <string>
#include <string_view>
#include <vector>

namespace vt {

class ListeCourante;

// The open dialog (several files, of the three audio types) on the play
// list: its choice goes in as ListeCourante::ajouter_choisis says.
void ajouter_depuis_dialogue(ListeCourante& liste);

// A dropped file is accepted by its last three bytes, with a-z turned into
// capitals: "MP3", "WAV" or "WMA". No dot is needed; shorter paths are refused.
bool depot_accepte(std::string_view chemin);
// Appends the accepted ones among dropped paths, in order, duplicates
// included; the last added path is not involved.
void ajouter_deposes(ListeCourante& liste, const std::vector<std::string>& chemins);

// The local paths of a "text/uri-list" (one URI per line, CR LF or LF,
// '#' lines are comments), in order. Only "file:" URIs count: with an empty
// host or "localhost" the path is the URL's path; with another host it is
// "//host" followed by the path. Every "%XX" becomes its byte; any other
// byte, unescaped blanks included, is kept as it is. Other URIs and empty
// lines are skipped.
std::vector<std::string> chemins_uri_list(const QByteArray& uri_list);

}  // namespace vt
