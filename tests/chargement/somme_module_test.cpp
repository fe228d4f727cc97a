// The sum recorded beside each of the player's modules: zlib's CRC-32 of
// every byte of the file, read in pieces, and its text in the file beside
// the module, which the loader reads back strictly (anything else is no
// sum, and the module is refused).
#include "audio/somme_module.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <cstdio>
#include <string>

namespace {

std::string octets_croissants(std::size_t fois) {
    std::string o;
    for (std::size_t i = 0; i < fois * 256; ++i) o += static_cast<char>(i & 0xff);
    return o;
}

// Known CRC-32 values; the longer files are read in more than one piece.
TEST(SommeModule, FileSumIsZlibsCrc32) {
    const std::pair<std::string, std::uint32_t> kFichiers[] = {
        {"", 0x00000000u},
        {"a", 0xe8b7be43u},
        {"123456789", 0xcbf43926u},
        {std::string(200000, 'x'), 0x51bf0272u},
        {octets_croissants(1000), 0xfc70af1au},
    };
    for (const auto& [contenu, attendue] : kFichiers) {
        char modele[] = "/tmp/vtsXXXXXX";
        const int fd = ::mkstemp(modele);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, contenu.data(), contenu.size()), ssize_t(contenu.size()));
        ASSERT_EQ(::lseek(fd, 0, SEEK_SET), 0);
        EXPECT_EQ(vt::audio::somme_fichier(fd), attendue) << contenu.size() << " bytes";
        ::close(fd);
        ::unlink(modele);
    }
    EXPECT_EQ(vt::audio::somme_fichier(-1), std::nullopt);
}

TEST(SommeModule, TextIsEightLowercaseDigitsAndANewline) {
    const std::pair<std::uint32_t, const char*> kSommes[] = {
        {0x00000000u, "00000000\n"}, {0x0000abcdu, "0000abcd\n"}, {0xcbf43926u, "cbf43926\n"}, {0xffffffffu, "ffffffff\n"}};
    for (const auto& [somme, texte] : kSommes) {
        EXPECT_EQ(vt::audio::texte_somme(somme), texte);
        EXPECT_EQ(vt::audio::lire_texte_somme(texte), somme) << texte;
    }
    for (const char* faux : {"", "\n", "cbf43926", "cbf4392\n", "cbf439260\n", "cbf4392g\n", " bf43926\n",
                             "cbf43926\r", "cbf43926\nX", "-bf43926\n"})
        EXPECT_EQ(vt::audio::lire_texte_somme(faux), std::nullopt) << faux;
}

}  // namespace
