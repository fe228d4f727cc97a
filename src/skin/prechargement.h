#pragma once
// Skin pictures decoded ahead of the loader. At start-up a second thread
// reads the configured skin's pictures while the toolkit starts, decoding
// the usual bitmaps at once and the rest once the application object
// exists; the loader then takes each picture from here instead of decoding
// it itself, provided its file is still the very file that was read (same
// device, inode, size and modification time). Anything not found here, or
// changed since, is decoded by the loader as usual.
#include <QByteArray>
#include <QImage>

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace vt {

class ImagesPrechargees {
public:
    // First step, needing no application object: reads the configuration
    // at `fichier_config`, the skin file it names, and the files that the
    // loader decodes (each row's picture and the colour bitmap), decoding
    // the uncompressed 24-bit bitmaps among them. Nothing is read when the
    // configuration or the skin cannot be.
    void lire(const std::string& fichier_config);

    // Second step, once the application object exists: decodes the rest of
    // what `lire` read, with Qt's readers. Then `prendre` no longer waits.
    void decoder();

    // Abandons what is not decoded yet: `prendre` no longer waits.
    void abandonner();

    // The picture of `chemin`, decoded ahead, if its file has not changed
    // since it was read. While the second step goes on, waits for its end;
    // when it has not begun (the second thread is still busy elsewhere),
    // nothing is waited for: what is not decoded yet is abandoned, and the
    // loader decodes it itself.
    std::optional<QImage> prendre(const std::string& chemin);

    // Number of pictures decoded ahead (for tests).
    std::size_t nombre() const;

    struct Identite {
        unsigned long long appareil = 0, inode = 0;
        long long taille = 0, mtime_s = 0, mtime_ns = 0;
        bool operator==(const Identite&) const = default;
    };

private:
    struct Entree {
        Identite identite;
        QByteArray octets;
        QImage image;
    };
    enum class Etat { Lecture, Decodage, Fini };
    // Ends the first step without the second (verrou_ held): only what is
    // decoded already is kept.
    void garder_decodees();
    mutable std::mutex verrou_;
    std::condition_variable fini_cv_;
    Etat etat_ = Etat::Lecture;
    std::map<std::string, Entree> entrees_;
};

// The identity of the file at `chemin` (regular files only).
std::optional<ImagesPrechargees::Identite> identite_fichier(const std::string& chemin);

// The whole content of the regular file at `chemin` and its identity as it
// was read; false for anything else (a FIFO or a device could block or never
// end), for a file over 256 MiB, or on a read error.
bool lire_fichier_image(const std::string& chemin, QByteArray& octets,
                        ImagesPrechargees::Identite* identite = nullptr);

// Decodes picture bytes as lire_image() does: by content, then by the
// extension of `chemin`.
QImage decoder_image(const QByteArray& octets, const std::string& chemin);

// The store that lire_image() consults first; nullptr (the default) for none.
// Set by the start-up for the main window's first skin, and taken away after.
void installer_images_prechargees(ImagesPrechargees* images);
ImagesPrechargees* images_prechargees();

}  // namespace vt
