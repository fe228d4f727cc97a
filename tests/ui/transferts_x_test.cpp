// The X transfers without shared memory: set for the player unless the user
// chose otherwise, so that a repaint does not bring back a completion event
// that wakes the player (see bench/veille.sh).
#include "ui/echelle.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <optional>

namespace {

// Restores QT_XCB_NO_MITSHM as it was before the test.
class VariableGardee {
public:
    VariableGardee() {
        if (qEnvironmentVariableIsSet(kNom)) avant_ = qgetenv(kNom);
    }
    ~VariableGardee() {
        if (avant_)
            qputenv(kNom, *avant_);
        else
            qunsetenv(kNom);
    }
    static constexpr const char* kNom = "QT_XCB_NO_MITSHM";

private:
    std::optional<QByteArray> avant_;
};

TEST(TransfertsX, SharedMemoryIsTurnedOffWhenTheUserSaidNothing) {
    VariableGardee g;
    qunsetenv(VariableGardee::kNom);
    vt::transferts_x_simples();
    EXPECT_EQ(qgetenv(VariableGardee::kNom), "1");
}

TEST(TransfertsX, TheUsersOwnChoiceIsKept) {
    VariableGardee g;
    for (const QByteArray& v : {QByteArray("0"), QByteArray(""), QByteArray("1")}) {
        qputenv(VariableGardee::kNom, v);
        vt::transferts_x_simples();
        EXPECT_TRUE(qEnvironmentVariableIsSet(VariableGardee::kNom)) << v.constData();
        EXPECT_EQ(qgetenv(VariableGardee::kNom), v);
    }
}

}  // namespace
