#pragma once
// The image elements of the main window: where each stands, its built-in
// size, and which value of a skin file fills it. Values 2 to 42 of a skin
// name one bitmap each; a row may fill two elements (the visible button
// and its unlit source picture). Elements at x >= 391 lie outside the
// visible area: they are the lit and unlit sources copied into buttons.
#include <array>
#include <string_view>

namespace vt {

struct Element {
    std::string_view nom;
    int valeur;  // skin value that fills it; 0 for the title strip and its buttons
    int x, y, largeur, hauteur;
};

// Every skinnable element, in the order the loader fills them (value order,
// then the order a row names them).
inline constexpr std::array<Element, 55> kElementsSkin{{
    {"image_add_off", 2, 392, 216, 26, 15},       {"image_add", 2, 34, 187, 26, 15},
    {"image_add_on", 3, 392, 184, 26, 15},        {"image_back", 4, 13, 217, 29, 14},
    {"image_backoff", 4, 392, 242, 29, 14},       {"image_backon", 5, 391, 271, 29, 14},
    {"image_balance", 6, 240, 88, 1, 1},          {"barre_balance", 7, 240, 112, 100, 4},
    {"barre_position", 8, 8, 248, 335, 8},        {"barre_volume", 9, 240, 73, 100, 4},
    {"curseur_balance", 10, 296, 104, 5, 20},     {"image_balanceoff", 10, 464, 104, 5, 20},
    {"image_balanceon", 11, 496, 104, 5, 20},     {"curseur_volume", 12, 296, 64, 5, 20},
    {"image_volumeoff", 12, 464, 64, 5, 20},      {"image_volumeon", 13, 496, 64, 5, 20},
    {"curseur_position", 14, 195, 240, 7, 22},    {"curseur_position_off", 14, 614, 244, 7, 22},
    {"curseur_position_on", 15, 631, 244, 7, 22}, {"image_del_all", 16, 129, 187, 25, 15},
    {"image_del_all_off", 16, 464, 216, 25, 15},  {"image_del_all_on", 17, 464, 184, 25, 15},
    {"image_del", 18, 82, 187, 25, 15},           {"image_del_off", 18, 424, 216, 25, 15},
    {"image_del_on", 19, 424, 184, 25, 15},       {"image_down", 20, 240, 166, 10, 14},
    {"image_down_off", 20, 400, 160, 10, 14},     {"image_down_on", 21, 424, 160, 10, 14},
    {"image_fond", 22, 0, 0, 350, 291},           {"image_fond_lecture", 23, 8, 264, 335, 20},
    {"image_fond_liste", 24, 8, 184, 232, 21},    {"image_fond_play", 25, 9, 213, 232, 21},
    {"image_info", 26, 177, 187, 25, 15},         {"image_info_off", 26, 504, 216, 25, 15},
    {"image_info_on", 27, 504, 184, 25, 15},      {"image_next", 28, 203, 217, 29, 14},
    {"image_nextoff", 28, 552, 242, 29, 14},      {"image_nexton", 29, 551, 271, 29, 14},
    {"image_pause", 30, 106, 217, 29, 14},        {"image_pauseoff", 30, 472, 242, 29, 14},
    {"image_pauseon", 31, 471, 271, 29, 14},      {"image_play", 32, 58, 217, 29, 14},
    {"image_playoff", 32, 432, 242, 29, 14},      {"image_playon", 33, 431, 271, 29, 14},
    {"image_playlist", 34, 8, 24, 1, 1},          {"image_stop", 35, 155, 217, 29, 14},
    {"image_stopoff", 35, 512, 242, 29, 14},      {"image_stopon", 36, 511, 271, 29, 14},
    {"image_up", 37, 240, 136, 10, 14},           {"image_up_off", 37, 400, 144, 10, 14},
    {"image_up_on", 38, 424, 144, 10, 14},        {"image_volume", 39, 240, 48, 1, 1},
    {"image_repeat", 40, 276, 136, 1, 1},         {"image_aleatoire", 41, 276, 166, 1, 1},
    {"image_fond_menu", 42, 462, 295, 66, 104},
}};

// The title strip and its buttons: built-in only, never skinned.
inline constexpr std::array<Element, 5> kElementsFixes{{
    {"image_barre", 0, 0, 0, 349, 12},
    {"Image_menu", 0, 5, 2, 28, 8},
    {"tray_image", 0, 318, 2, 8, 8},
    {"image_reduire", 0, 328, 2, 8, 8},
    {"image_quitter", 0, 338, 2, 8, 8},
}};

// Value 43: the colour bitmap; value 44: "activer" hides the status line.
inline constexpr int kValeurCouleurs = 43;
inline constexpr int kValeurActiver = 44;
inline constexpr int kValeursMinimum = 44;

// Bitmap files, in the built-in look (Qt resources under :/builtin/) and in
// the skins shipped with the player, are named after the first element of
// their row ("image_add_off.bmp"); the title strip's pictures after their
// element ("image_barre.bmp"); the colour bitmap is "couleurs.bmp".
inline constexpr std::string_view kFichierCouleurs = "couleurs.bmp";

// Where each of the main window's drawn elements lies in the painting
// order: every element is created in this order, so that each one is
// drawn over those before it.
inline constexpr std::string_view kOrdrePeinture[] = {
    "image_fond",
    "image_fond_play",
    "image_fond_liste",
    "image_barre",
    "Image_menu",
    "image_quitter",
    "image_reduire",
    "barre_volume",
    "curseur_volume",
    "barre_balance",
    "curseur_balance",
    "image_balance",
    "image_back",
    "image_play",
    "image_pause",
    "image_stop",
    "image_next",
    "image_down",
    "image_up",
    "image_del",
    "image_add",
    "image_info",
    "image_del_all",
    "image_backoff",
    "image_backon",
    "image_playoff",
    "image_playon",
    "image_pauseoff",
    "image_pauseon",
    "image_stopoff",
    "image_stopon",
    "image_nextoff",
    "image_nexton",
    "image_volumeoff",
    "image_volumeon",
    "image_balanceoff",
    "image_balanceon",
    "image_playlist",
    "image_volume",
    "image_fond_lecture",
    "image_add_off",
    "image_add_on",
    "image_del_off",
    "image_del_on",
    "image_del_all_off",
    "image_del_all_on",
    "image_info_off",
    "image_info_on",
    "image_up_off",
    "image_up_on",
    "image_down_off",
    "image_down_on",
    "barre_position",
    "curseur_position",
    "curseur_position_off",
    "curseur_position_on",
    // the window's labels are made just before the tray button
    "tray_image",
    "image_aleatoire",
    "image_repeat",
    "image_fond_menu",
};

// The element named `nom`, skinnable or fixed; none for another name.
constexpr const Element* trouver_element(std::string_view nom) {
    for (const auto& e : kElementsSkin)
        if (e.nom == nom) return &e;
    for (const auto& e : kElementsFixes)
        if (e.nom == nom) return &e;
    return nullptr;
}

}  // namespace vt
