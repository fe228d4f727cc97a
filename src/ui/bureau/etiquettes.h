#pragma once
// The tags of an audio file (title, artists, album, track number and
// picture), which the desktop's media controls show for the playing track.
// The windows keep showing file names.
//
// Reading is done once per started track, on a thread of its own
// (LectureEtiquettes): a file whose tags are damaged or tens of megabytes
// long never delays the start of playback nor the windows.
#include <QObject>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include <pthread.h>

namespace vt {

struct Etiquettes {
    QString titre;  // empty when the file has none
    QStringList artistes;
    QString album;
    int piste = 0;  // the track number; 0 when the file has none
    // The picture's bytes as stored (JPEG, PNG, GIF, BMP or WebP; the front
    // cover when there are several), empty when there is none.
    std::string image;
    // Where the picture was written (LectureEtiquettes), empty when not.
    std::string fichier_image;
};

// Bounds on what is kept of a tag: the desktop gets each of them with every
// change of the playing state.
inline constexpr int kMaxCaracteres = 1024;         // per text, the rest cut off
inline constexpr int kMaxArtistes = 32;             // names beyond are dropped
inline constexpr std::size_t kMaxImage = 16 << 20;  // a larger picture is ignored
// (etiquettes_bornes.h bounds what a whole tag may cost.)

// The tags of the file at `chemin` (raw bytes), read with TagLib whatever
// the tag format (ID3v2, ID3v1, Vorbis comments, FLAC, MP4, ASF, APE). An
// unreadable file, a damaged tag or anything but a regular file gives empty
// tags, as does a file whose tags are beyond the player's bounds
// (etiquettes_raisonnables). Texts are made fit to show (texte_montrable);
// only a whole picture is kept (image_entiere).
Etiquettes lire_etiquettes(const std::string& chemin);

// The file extension a picture's bytes call for (".jpg", ".png", ".gif",
// ".bmp", ".webp"), empty for bytes no image viewer would open.
std::string_view extension_image(std::string_view octets);

// Writes a picture into `dossier` (created if missing) under a name made
// of the hash of its bytes, once: a later call with the same bytes finds it.
// Written whole under a temporary name, then renamed, so that no reader
// ever sees part of it. Its path, empty when it cannot be written or the
// bytes are not a picture.
std::string ecrire_image(const std::string& dossier, std::string_view octets);

// The folder for the pictures: $XDG_CACHE_HOME/vantrel/pochettes/
// (~/.cache/... when unset), empty without a home.
std::string dossier_images();

// Reads the tags of the tracks that start, one at a time, on a thread of
// its own started on the first request. A request replaces one still
// waiting: only the latest track is read. Each result, picture written, is
// handed over on the thread that owns this object. The tags of the last
// files read are kept by path: a file played again has them at once. No
// tag leaves its memory behind, and nothing thrown while reading reaches
// further than that file's tags (read as empty).
class LectureEtiquettes : public QObject {
    Q_OBJECT
public:
    using Lire = std::function<Etiquettes(const std::string&)>;
    explicit LectureEtiquettes(std::string dossier_images, Lire lire = lire_etiquettes,
                               QObject* parent = nullptr);
    // Waits for the read under way, if any.
    ~LectureEtiquettes() override;

    // Asks for the tags of started track `numero` (PisteJouee::numero);
    // nothing when that track was the last asked for. A file read lately
    // has its tags at once (pour), without a signal.
    void demander(std::uint64_t numero, const std::string& chemin);
    // The tags of track `numero`; nothing before they are read, and nothing
    // for any other track than the last one read.
    const Etiquettes* pour(std::uint64_t numero) const;

signals:
    void lues(quint64 numero);

private:
    static constexpr std::size_t kCache = 16;
    void travailler();
    Etiquettes lire_et_ranger(const std::string& chemin) const;
    void recevoir(std::uint64_t numero, const std::string& chemin, Etiquettes e);

    const std::string dossier_;
    const Lire lire_;
    std::uint64_t demande_ = 0;  // the last track asked for (0: none)
    std::optional<std::pair<std::uint64_t, Etiquettes>> lu_;
    std::deque<std::pair<std::string, Etiquettes>> cache_;  // the latest first

    std::mutex verrou_;
    std::condition_variable reveil_;
    std::optional<std::pair<std::uint64_t, std::string>> attente_;  // under verrou_
    bool fin_ = false;                                              // under verrou_
    std::function<void()> tache_;
    pthread_t fil_{};
    bool fil_lance_ = false;
};

}  // namespace vt
