#pragma once
// The size text of the file information window.
#include <QChar>
#include <QString>

#include <cstdint>
#include <string>

namespace vt {

// Megabytes (bytes / 1024 / 1024) in the general floating-point format with
// 15 significant digits: fixed for 0.0001 <= v < 1e15 (a leading 0 below 1),
// else scientific like "9.5367431640625E-7"; trailing zeros and a bare
// separator dropped; `separateur` as the decimal separator. The text is cut
// to its first five characters and followed by " Mo".
QString texte_taille(std::int64_t octets, QChar separateur);

// The general format alone (15 significant digits, '.' as separator), before
// the cut: 1 byte gives "9.5367431640625E-7".
std::string format_general(double valeur);

// The size of a file in bytes, found by seeking to its end; -1 when it
// cannot be opened or is not a file with a size (a directory, a pipe).
std::int64_t taille_fichier(const std::string& chemin);

}  // namespace vt
