#pragma once
// Makes a folder read-only for this process, as a system-wide install is for
// its users: a read-only bind mount over itself when the process may mount
// (root, whom permissions do not stop), else by taking away the write
// permission. Undone when destroyed. actif() says whether it took effect.
#include <string>

namespace vt::test {

class DossierLectureSeule {
public:
    explicit DossierLectureSeule(std::string dossier);
    ~DossierLectureSeule();
    DossierLectureSeule(const DossierLectureSeule&) = delete;
    DossierLectureSeule& operator=(const DossierLectureSeule&) = delete;
    bool actif() const { return actif_; }

private:
    std::string dossier_;
    bool monte_ = false;
    bool actif_ = false;
};

}  // namespace vt::test
