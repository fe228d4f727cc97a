#include "support/dossier_lecture_seule.h"

#include "config/emplacements.h"

#include <sys/mount.h>
#include <sys/stat.h>

namespace vt::test {

DossierLectureSeule::DossierLectureSeule(std::string dossier) : dossier_(std::move(dossier)) {
    if (::mount(dossier_.c_str(), dossier_.c_str(), nullptr, MS_BIND, nullptr) == 0) {
        monte_ = true;
        ::mount(nullptr, dossier_.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr);
    } else {
        ::chmod(dossier_.c_str(), 0555);
    }
    actif_ = !dossier_inscriptible(dossier_);
}

DossierLectureSeule::~DossierLectureSeule() {
    if (monte_) ::umount2(dossier_.c_str(), MNT_DETACH);
    ::chmod(dossier_.c_str(), 0755);
}

}  // namespace vt::test
