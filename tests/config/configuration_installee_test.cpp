// The vantrel.config that installation puts in a fresh app folder is the
// text the close button writes on a first exit, byte for byte, with the
// play list looping.
#include "config/configuration.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>

namespace {

const std::string kInstallee = std::string(VANTREL_SOURCE_DIR) + "/packaging/vantrel.config";

// The shipped first settings are exactly what the program itself writes
// with its defaults and the loop on, so that the first close changes only
// what the user did.
TEST(ConfigurationInstallee, IsTheTextTheProgramWritesWithItsDefaults) {
    const std::string attendu =
        vt::texte_configuration(vt::kRepSkinDefaut, vt::kFichierSkinDefaut, vt::kGaucheDefaut,
                                vt::kHautDefaut, vt::kRepPlaylistDefaut, true);
    EXPECT_EQ(vt::test::lire_fichier(kInstallee), attendu);
}

// A first start plays a dropped list on to its end and round again: the
// stored loop flag the player reads from the first settings is on.
TEST(ConfigurationInstallee, FirstStartLoopsThePlayList) {
    vt::Configuration premiere(kInstallee);
    const std::optional<vt::ValeursConfig> v = premiere.lire();
    ASSERT_TRUE(v);
    EXPECT_TRUE(v->boucle);
}

}  // namespace
