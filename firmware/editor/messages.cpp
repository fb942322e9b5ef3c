#include "firmware/editor/messages.h"

#include <array>

#include "firmware/kernel/kernel.h"

// The six language tables, kept as one list with a row per message id and the
// six texts side by side: English, Spanish, French, Portuguese, German, Dutch.
//
// Accented letters are LCD font codes:
//   0x81 a acute      0x83 a grave       0x87 a diaeresis   0x89 a tilde
//   0x8C A circumflex 0x8D a circumflex  0x96 c cedilla     0xA0 e grave
//   0xA4 e acute      0xA8 e circumflex  0xB0 i acute       0xBC n tilde
//   0xC4 o acute      0xC9 O diaeresis   0xCA o diaeresis   0xE2 u acute
//   0xE4 u diaeresis  0xF6 masculine ordinal (No)           0xFD inverted ?
// A literal is split ("\xC4" "digo") where a hex digit follows an escape.
//
// Conventions of the data, all deliberate:
// - \" is the inch sign. Fixed lengths and wire sizes use the decimal comma in
//   French, Portuguese, German and Dutch; English and Spanish keep the point.
// - The language names (12..17) read the same in every table, each language
//   under its own name; only the English table spells Portuguese with 0xA2.
// - The status-line tags (121..169) and the file slot labels (96..107) are the
//   same in every language; the tag of the 0.75 inch wire (147) ends in a space.
// - Message 75 is the empty text. A few translations carry a trailing space
//   (French 8, 170 and 171, Spanish 171).
// - Texts shown in a popup wrap into three lines of 14 characters; the Yes/No
//   question, the answers and the On/Off values are kept short enough for
//   their places on the LCD.

namespace {

struct MessageRow {
  uint8_t id;
  const char* text[MSG_LANGUAGES];  // English, Spanish, French, Portuguese, German, Dutch
};

// clang-format off
constexpr MessageRow kRows[] = {
    {MSG_ON,              {"On",                         "S\xB0",                                 "Oui",                                 "Sim",                               "Ein",                         "Aan"}},
    {MSG_OFF,             {"Off",                        "No",                                    "Non",                                 "N\x89o",                            "Aus",                         "Uit"}},
    {MSG_SYMBOLS,         {"Symbols",                    "S\xB0mbolos",                           "Symboles",                            "S\xB0mbolos",                       "Symbole",                     "Symbolen"}},
    {MSG_INTERNATIONAL,   {"International",              "Internacional",                         "International",                       "Internacional",                     "International",               "Internationaal"}},
    {MSG_BARCODE,         {"Barcode",                    "C\xC4" "digo de barras",                "Code-barres",                         "C\xC4" "digo de barras",            "Barcode",                     "Streepjescode"}},
    {MSG_CODE_39,         {"Code 39",                    "C\xC4" "digo 39",                       "Code 39",                             "C\xC4" "digo 39",                   "Code 39",                     "Code 39"}},
    {MSG_CODE_128,        {"Code 128",                   "C\xC4" "digo 128",                      "Code 128",                            "C\xC4" "digo 128",                  "Code 128",                    "Code 128"}},
    {MSG_FILE,            {"File",                       "Archivo",                               "Fichier",                             "Arquivo",                           "Datei",                       "Bestand"}},
    {MSG_SAVE,            {"Save",                       "Guardar",                               "Enregistrer ",                        "Salvar",                            "Speichern",                   "Opslaan"}},
    {MSG_OPEN,            {"Open",                       "Abrir",                                 "Ouvrir",                              "Abrir",                             "\xC9" "ffnen",                "Openen"}},
    {MSG_DELETE,          {"Delete",                     "Borrar",                                "Supprimer",                           "Excluir",                           "L\xCAschen",                  "Wissen"}},
    {MSG_LANGUAGE,        {"Language",                   "Idioma",                                "Langue",                              "Idioma",                            "Sprache",                     "Taal"}},
    {MSG_ENGLISH,         {"English",                    "English",                               "English",                             "English",                           "English",                     "English"}},
    {MSG_ESPANOL,         {"Espa\xBCol",                 "Espa\xBCol",                            "Espa\xBCol",                          "Espa\xBCol",                        "Espa\xBCol",                  "Espa\xBCol"}},
    {MSG_FRANCAIS,        {"Fran\x96" "ais",             "Fran\x96" "ais",                        "Fran\x96" "ais",                      "Fran\x96" "ais",                    "Fran\x96" "ais",              "Fran\x96" "ais"}},
    {MSG_PORTUGUES,       {"Portugu\xA2s",               "Portugu\xA8s",                          "Portugu\xA8s",                        "Portugu\xA8s",                      "Portugu\xA8s",                "Portugu\xA8s"}},
    {MSG_DEUTSCH,         {"Deutsch",                    "Deutsch",                               "Deutsch",                             "Deutsch",                           "Deutsch",                     "Deutsch"}},
    {MSG_NEDERLANDS,      {"Nederlands",                 "Nederlands",                            "Nederlands",                          "Nederlands",                        "Nederlands",                  "Nederlands"}},
    {MSG_SERIAL_FLAG,     {"Serial:",                    "Serie:",                                "S\xA4rie:",                           "Numera\x96\x89o:",                  "Serie:",                      "Serie:"}},
    {MSG_INCREMENT_BY,    {"Increment By:",              "Incremento:",                           "Incr\xA4ment:",                       "Incremento:",                       "Schrittweite:",               "Stapgrootte:"}},
    {MSG_START,           {"Start:",                     "Inicio:",                               "D\xA4" "but:",                        "In\xB0" "cio:",                     "Start:",                      "Start:"}},
    {MSG_END,             {"End:",                       "Fin:",                                  "Fin:",                                "Fim:",                              "Ende:",                       "Einde:"}},
    {MSG_COPIES,          {"Copies:",                    "Copias:",                               "Copies:",                             "C\xC4pias:",                        "Kopien:",                     "Exemplaren:"}},
    {MSG_BANNER_PORTRAIT, {"Banner Portrait",            "Banner vertical",                       "Banni\xA0re portrait",                "Banner vertical",                   "Banner hoch",                 "Banner staand"}},
    {MSG_BANNER_LANDSCAPE, {"Banner Landscape",           "Banner horizontal",                     "Banni\xA0re paysage",                 "Banner horizontal",                 "Banner quer",                 "Banner liggend"}},
    {MSG_FIXED_LENGTH,    {"Fixed Length",               "Longitud fija",                         "Longueur fixe",                       "Comprimento fixo",                  "Feste L\x87nge",              "Vaste lengte"}},
    {MSG_FIXED_1_0_IN,    {"Fixed 1.0\"",                "Fija 1.0\"",                            "Fixe 1,0\"",                          "Fixo 1,0\"",                        "Fest 1,0\"",                  "Vast 1,0\""}},
    {MSG_FIXED_1_5_IN,    {"Fixed 1.5\"",                "Fija 1.5\"",                            "Fixe 1,5\"",                          "Fixo 1,5\"",                        "Fest 1,5\"",                  "Vast 1,5\""}},
    {MSG_FIXED_2_0_IN,    {"Fixed 2.0\"",                "Fija 2.0\"",                            "Fixe 2,0\"",                          "Fixo 2,0\"",                        "Fest 2,0\"",                  "Vast 2,0\""}},
    {MSG_FIXED_2_5_IN,    {"Fixed 2.5\"",                "Fija 2.5\"",                            "Fixe 2,5\"",                          "Fixo 2,5\"",                        "Fest 2,5\"",                  "Vast 2,5\""}},
    {MSG_FIXED_3_0_IN,    {"Fixed 3.0\"",                "Fija 3.0\"",                            "Fixe 3,0\"",                          "Fixo 3,0\"",                        "Fest 3,0\"",                  "Vast 3,0\""}},
    {MSG_FIXED_3_5_IN,    {"Fixed 3.5\"",                "Fija 3.5\"",                            "Fixe 3,5\"",                          "Fixo 3,5\"",                        "Fest 3,5\"",                  "Vast 3,5\""}},
    {MSG_FIXED_4_0_IN,    {"Fixed 4.0\"",                "Fija 4.0\"",                            "Fixe 4,0\"",                          "Fixo 4,0\"",                        "Fest 4,0\"",                  "Vast 4,0\""}},
    {MSG_FIXED_4_5_IN,    {"Fixed 4.5\"",                "Fija 4.5\"",                            "Fixe 4,5\"",                          "Fixo 4,5\"",                        "Fest 4,5\"",                  "Vast 4,5\""}},
    {MSG_FIXED_5_0_IN,    {"Fixed 5.0\"",                "Fija 5.0\"",                            "Fixe 5,0\"",                          "Fixo 5,0\"",                        "Fest 5,0\"",                  "Vast 5,0\""}},
    {MSG_FIXED_5_5_IN,    {"Fixed 5.5\"",                "Fija 5.5\"",                            "Fixe 5,5\"",                          "Fixo 5,5\"",                        "Fest 5,5\"",                  "Vast 5,5\""}},
    {MSG_FIXED_6_0_IN,    {"Fixed 6.0\"",                "Fija 6.0\"",                            "Fixe 6,0\"",                          "Fixo 6,0\"",                        "Fest 6,0\"",                  "Vast 6,0\""}},
    {MSG_FIXED_10_MM,     {"Fixed 10 mm",                "Fija 10 mm",                            "Fixe 10 mm",                          "Fixo 10 mm",                        "Fest 10 mm",                  "Vast 10 mm"}},
    {MSG_FIXED_20_MM,     {"Fixed 20 mm",                "Fija 20 mm",                            "Fixe 20 mm",                          "Fixo 20 mm",                        "Fest 20 mm",                  "Vast 20 mm"}},
    {MSG_FIXED_30_MM,     {"Fixed 30 mm",                "Fija 30 mm",                            "Fixe 30 mm",                          "Fixo 30 mm",                        "Fest 30 mm",                  "Vast 30 mm"}},
    {MSG_FIXED_40_MM,     {"Fixed 40 mm",                "Fija 40 mm",                            "Fixe 40 mm",                          "Fixo 40 mm",                        "Fest 40 mm",                  "Vast 40 mm"}},
    {MSG_FIXED_50_MM,     {"Fixed 50 mm",                "Fija 50 mm",                            "Fixe 50 mm",                          "Fixo 50 mm",                        "Fest 50 mm",                  "Vast 50 mm"}},
    {MSG_FIXED_60_MM,     {"Fixed 60 mm",                "Fija 60 mm",                            "Fixe 60 mm",                          "Fixo 60 mm",                        "Fest 60 mm",                  "Vast 60 mm"}},
    {MSG_FIXED_70_MM,     {"Fixed 70 mm",                "Fija 70 mm",                            "Fixe 70 mm",                          "Fixo 70 mm",                        "Fest 70 mm",                  "Vast 70 mm"}},
    {MSG_FIXED_80_MM,     {"Fixed 80 mm",                "Fija 80 mm",                            "Fixe 80 mm",                          "Fixo 80 mm",                        "Fest 80 mm",                  "Vast 80 mm"}},
    {MSG_FIXED_90_MM,     {"Fixed 90 mm",                "Fija 90 mm",                            "Fixe 90 mm",                          "Fixo 90 mm",                        "Fest 90 mm",                  "Vast 90 mm"}},
    {MSG_FIXED_100_MM,    {"Fixed 100 mm",               "Fija 100 mm",                           "Fixe 100 mm",                         "Fixo 100 mm",                       "Fest 100 mm",                 "Vast 100 mm"}},
    {MSG_FIXED_110_MM,    {"Fixed 110 mm",               "Fija 110 mm",                           "Fixe 110 mm",                         "Fixo 110 mm",                       "Fest 110 mm",                 "Vast 110 mm"}},
    {MSG_FIXED_120_MM,    {"Fixed 120 mm",               "Fija 120 mm",                           "Fixe 120 mm",                         "Fixo 120 mm",                       "Fest 120 mm",                 "Vast 120 mm"}},
    {MSG_FIXED_130_MM,    {"Fixed 130 mm",               "Fija 130 mm",                           "Fixe 130 mm",                         "Fixo 130 mm",                       "Fest 130 mm",                 "Vast 130 mm"}},
    {MSG_FIXED_140_MM,    {"Fixed 140 mm",               "Fija 140 mm",                           "Fixe 140 mm",                         "Fixo 140 mm",                       "Fest 140 mm",                 "Vast 140 mm"}},
    {MSG_FIXED_150_MM,    {"Fixed 150 mm",               "Fija 150 mm",                           "Fixe 150 mm",                         "Fixo 150 mm",                       "Fest 150 mm",                 "Vast 150 mm"}},
    {MSG_WIRE,            {"Wire",                       "Cable",                                 "C\x8D" "ble",                         "Cabo",                              "Kabel",                       "Kabel"}},
    {MSG_WIRE_0_75_IN,    {".75\"(16-10AWG)",            ".75\"(16-10AWG)",                       ",75\"(16-10AWG)",                     ",75\"(16-10AWG)",                   ",75\"(16-10AWG)",             ",75\"(16-10AWG)"}},
    {MSG_WIRE_1_0_IN,     {"1.0\"(12-10AWG)",            "1.0\"(12-10AWG)",                       "1,0\"(12-10AWG)",                     "1,0\"(12-10AWG)",                   "1,0\"(12-10AWG)",             "1,0\"(12-10AWG)"}},
    {MSG_WIRE_1_2_IN,     {"1.2\"(10-4AWG)",             "1.2\"(10-4AWG)",                        "1,2\"(10-4AWG)",                      "1,2\"(10-4AWG)",                    "1,2\"(10-4AWG)",              "1,2\"(10-4AWG)"}},
    {MSG_WIRE_1_5_IN,     {"1.5\"(10-4AWG)",             "1.5\"(10-4AWG)",                        "1,5\"(10-4AWG)",                      "1,5\"(10-4AWG)",                    "1,5\"(10-4AWG)",              "1,5\"(10-4AWG)"}},
    {MSG_WIRE_2_0_IN,     {"2.0\"",                      "2.0\"",                                 "2,0\"",                               "2,0\"",                             "2,0\"",                       "2,0\""}},
    {MSG_WIRE_2_5_IN,     {"2.5\"(3AWG-2/0)",            "2.5\"(3AWG-2/0)",                       "2,5\"(3AWG-2/0)",                     "2,5\"(3AWG-2/0)",                   "2,5\"(3AWG-2/0)",             "2,5\"(3AWG-2/0)"}},
    {MSG_WIRE_3_0_IN,     {"3.0\"",                      "3.0\"",                                 "3,0\"",                               "3,0\"",                             "3,0\"",                       "3,0\""}},
    {MSG_WIRE_4_0_IN,     {"4.0\"(3/0-400 KCMIL)",       "4.0\"(3/0-400 KCMIL)",                  "4,0\"(3/0-400 KCMIL)",                "4,0\"(3/0-400 KCMIL)",              "4,0\"(3/0-400 KCMIL)",        "4,0\"(3/0-400 KCMIL)"}},
    {MSG_WIRE_5_0_IN,     {"5.0\"",                      "5.0\"",                                 "5,0\"",                               "5,0\"",                             "5,0\"",                       "5,0\""}},
    {MSG_WIRE_6_0_IN,     {"6.0\"(500-900 KCMIL)",       "6.0\"(500-900 KCMIL)",                  "6,0\"(500-900 KCMIL)",                "6,0\"(500-900 KCMIL)",              "6,0\"(500-900 KCMIL)",        "6,0\"(500-900 KCMIL)"}},
    {MSG_WIRE_20_MM,      {"20 mm",                      "20 mm",                                 "20 mm",                               "20 mm",                             "20 mm",                       "20 mm"}},
    {MSG_WIRE_25_MM,      {"25 mm",                      "25 mm",                                 "25 mm",                               "25 mm",                             "25 mm",                       "25 mm"}},
    {MSG_WIRE_30_MM,      {"30 mm",                      "30 mm",                                 "30 mm",                               "30 mm",                             "30 mm",                       "30 mm"}},
    {MSG_WIRE_40_MM,      {"40 mm",                      "40 mm",                                 "40 mm",                               "40 mm",                             "40 mm",                       "40 mm"}},
    {MSG_WIRE_50_MM,      {"50 mm",                      "50 mm",                                 "50 mm",                               "50 mm",                             "50 mm",                       "50 mm"}},
    {MSG_WIRE_65_MM,      {"65 mm",                      "65 mm",                                 "65 mm",                               "65 mm",                             "65 mm",                       "65 mm"}},
    {MSG_WIRE_75_MM,      {"75 mm",                      "75 mm",                                 "75 mm",                               "75 mm",                             "75 mm",                       "75 mm"}},
    {MSG_WIRE_100_MM,     {"100 mm",                     "100 mm",                                "100 mm",                              "100 mm",                            "100 mm",                      "100 mm"}},
    {MSG_WIRE_130_MM,     {"130 mm",                     "130 mm",                                "130 mm",                              "130 mm",                            "130 mm",                      "130 mm"}},
    {MSG_WIRE_150_MM,     {"150 mm",                     "150 mm",                                "150 mm",                              "150 mm",                            "150 mm",                      "150 mm"}},
    {MSG_TERMINAL_BLOCK,  {"Terminal Block",             "Bloque de bornes",                      "Bornier",                             "Bloco terminal",                    "Klemmleiste",                 "Klemmenstrook"}},
    {MSG_PATCH_PANEL,     {"Patch Panel",                "Panel de conexiones",                   "Panneau de brassage",                 "Patch panel",                       "Patchfeld",                   "Patchpaneel"}},
    {MSG_EMPTY,           {"",                           "",                                      "",                                    "",                                  "",                            ""}},
    {MSG_SPACING,         {"Spacing:",                   "Paso:",                                 "Pas:",                                "Passo:",                            "Abstand:",                    "Afstand:"}},
    {MSG_TERMINATIONS,    {"# of Terminations:",         "N\xE2m. bornes:",                       "Nb de bornes:",                       "N\xF6 terminais:",                  "Anzahl Klemmen:",             "Aantal klemmen:"}},
    {MSG_PORTS,           {"# of Ports:",                "N\xE2m. puertos:",                      "Nb de ports:",                        "N\xF6 portas:",                     "Anzahl Ports:",               "Aantal poorten:"}},
    {MSG_ROTATION,        {"Rotation:",                  "Rotaci\xC4n:",                          "Rotation:",                           "Rota\x96\x89o:",                    "Drehung:",                    "Rotatie:"}},
    {MSG_AUTO,            {"Auto",                       "Auto",                                  "Auto",                                "Auto",                              "Auto",                        "Auto"}},
    {MSG_AUTO_BOLD,       {"Auto Bold",                  "Auto negrita",                          "Auto gras",                           "Auto negrito",                      "Auto fett",                   "Auto vet"}},
    {MSG_6PT,             {"6pt",                        "6pt",                                   "6pt",                                 "6pt",                               "6pt",                         "6pt"}},
    {MSG_6PT_BOLD,        {"6pt Bold",                   "6pt negrita",                           "6pt gras",                            "6pt negrito",                       "6pt fett",                    "6pt vet"}},
    {MSG_9PT,             {"9pt",                        "9pt",                                   "9pt",                                 "9pt",                               "9pt",                         "9pt"}},
    {MSG_9PT_BOLD,        {"9pt Bold",                   "9pt negrita",                           "9pt gras",                            "9pt negrito",                       "9pt fett",                    "9pt vet"}},
    {MSG_14PT,            {"14pt",                       "14pt",                                  "14pt",                                "14pt",                              "14pt",                        "14pt"}},
    {MSG_14PT_BOLD,       {"14pt Bold",                  "14pt negrita",                          "14pt gras",                           "14pt negrito",                      "14pt fett",                   "14pt vet"}},
    {MSG_20PT,            {"20pt",                       "20pt",                                  "20pt",                                "20pt",                              "20pt",                        "20pt"}},
    {MSG_20PT_BOLD,       {"20pt Bold",                  "20pt negrita",                          "20pt gras",                           "20pt negrito",                      "20pt fett",                   "20pt vet"}},
    {MSG_28PT,            {"28pt",                       "28pt",                                  "28pt",                                "28pt",                              "28pt",                        "28pt"}},
    {MSG_28PT_BOLD,       {"28pt Bold",                  "28pt negrita",                          "28pt gras",                           "28pt negrito",                      "28pt fett",                   "28pt vet"}},
    {MSG_40PT,            {"40pt",                       "40pt",                                  "40pt",                                "40pt",                              "40pt",                        "40pt"}},
    {MSG_40PT_BOLD,       {"40pt Bold",                  "40pt negrita",                          "40pt gras",                           "40pt negrito",                      "40pt fett",                   "40pt vet"}},
    {MSG_SERIAL_PRINT,    {"Serial Print",               "Impresi\xC4n en serie",                 "Impression en s\xA4rie",              "Impress\x89o seriada",              "Seriendruck",                 "Serie afdrukken"}},
    {MSG_MULTI_PRINT,     {"Multi Print",                "Impresi\xC4n m\xE2ltiple",              "Impression multiple",                 "V\x81rias c\xC4pias",               "Mehrfachdruck",               "Meerdere afdrukken"}},
    {MSG_SLOT_1,          {"1 :",                        "1 :",                                   "1 :",                                 "1 :",                               "1 :",                         "1 :"}},
    {MSG_SLOT_2,          {"2 :",                        "2 :",                                   "2 :",                                 "2 :",                               "2 :",                         "2 :"}},
    {MSG_SLOT_3,          {"3 :",                        "3 :",                                   "3 :",                                 "3 :",                               "3 :",                         "3 :"}},
    {MSG_SLOT_4,          {"4 :",                        "4 :",                                   "4 :",                                 "4 :",                               "4 :",                         "4 :"}},
    {MSG_SLOT_5,          {"5 :",                        "5 :",                                   "5 :",                                 "5 :",                               "5 :",                         "5 :"}},
    {MSG_SLOT_6,          {"6 :",                        "6 :",                                   "6 :",                                 "6 :",                               "6 :",                         "6 :"}},
    {MSG_SLOT_7,          {"7 :",                        "7 :",                                   "7 :",                                 "7 :",                               "7 :",                         "7 :"}},
    {MSG_SLOT_8,          {"8 :",                        "8 :",                                   "8 :",                                 "8 :",                               "8 :",                         "8 :"}},
    {MSG_SLOT_9,          {"9 :",                        "9 :",                                   "9 :",                                 "9 :",                               "9 :",                         "9 :"}},
    {MSG_SLOT_10,         {"10:",                        "10:",                                   "10:",                                 "10:",                               "10:",                         "10:"}},
    {MSG_SLOT_11,         {"11:",                        "11:",                                   "11:",                                 "11:",                               "11:",                         "11:"}},
    {MSG_SLOT_12,         {"12:",                        "12:",                                   "12:",                                 "12:",                               "12:",                         "12:"}},
    {MSG_UNITS,           {"Units",                      "Unidades",                              "Unit\xA4s",                           "Unidades",                          "Einheiten",                   "Eenheden"}},
    {MSG_INCHES,          {"Inches",                     "Pulgadas",                              "Pouces",                              "Polegadas",                         "Zoll",                        "Inch"}},
    {MSG_MILLIMETERS,     {"Millimeters",                "Mil\xB0metros",                         "Millim\xA0tres",                      "Mil\xB0metros",                     "Millimeter",                  "Millimeter"}},
    {MSG_CUT_OR_PRINT,    {"Cut or Print",               "Cortar o imprimir",                     "Couper ou imprimer",                  "Cortar ou imprimir",                "Schneiden oder drucken",      "Snijden of afdrukken"}},
    {MSG_FILE_NAME_Q,     {"File Name?",                 "\xFDNombre?",                           "Nom fichier?",                        "Nome arquivo?",                     "Dateiname?",                  "Bestandsnaam?"}},
    {MSG_INSERT_LABELS,   {"Insert Labels",              "Insertar etiqueta",                     "Ins\xA4rer \xA4tiq.",                 "Inserir etiq",                      "Etik. einf\xE4gen",           "Labels invoegen"}},
    {MSG_CANNOT_FIT,      {"Cannot Fit",                 "No cabe",                               "Espace insuffisant",                  "Espa\x96o insuficiente",            "Passt nicht",                 "Past niet"}},
    {MSG_ERROR,           {"Error",                      "Error",                                 "Erreur",                              "Erro",                              "Fehler",                      "Fout"}},
    {MSG_MEDIA_ONLY,      {"3/4\" media only",           "Solo cinta de 3/4\"",                   "Ruban 3/4\" uniquement",              "S\xC4 fita de 3/4\"",               "Nur 3/4\"-Band",              "Alleen 3/4\"-tape"}},
    {MSG_LANDSCAPE_ONLY,  {"Banner Landscape mode only", "Solo en modo Banner horizontal",        "Mode banni\xA0re paysage uniquement", "S\xC4 Banner horizontal",           "Nur Modus Banner quer",       "Alleen Banner liggend"}},
    {MSG_ENTER_NAME,      {"Enter Name",                 "Introducir nombre",                     "Entrer un nom",                       "Digite o nome",                     "Name eingeben",               "Naam invoeren"}},
    {MSG_DELETE_Q,        {"Delete?",                    "\xFD" "Borrar?",                        "Suppr.?",                             "Excluir?",                          "L\xCAschen?",                 "Wissen?"}},
    {MSG_AUTO_OFF_OFF,    {"AutoOff OFF",                "Autoapagado desactivado",               "Extinction auto d\xA4sactiv\xA4" "e", "Deslig. auto desativado",           "Auto-Aus deaktiviert",        "Auto-uit uitgeschakeld"}},
    {MSG_TAG_GEN,         {"GEN",                        "GEN",                                   "GEN",                                 "GEN",                               "GEN",                         "GEN"}},
    {MSG_TAG_BAN,         {"BAN",                        "BAN",                                   "BAN",                                 "BAN",                               "BAN",                         "BAN"}},
    {MSG_TAG_F1_0,        {"F1.0",                       "F1.0",                                  "F1.0",                                "F1.0",                              "F1.0",                        "F1.0"}},
    {MSG_TAG_F1_5,        {"F1.5",                       "F1.5",                                  "F1.5",                                "F1.5",                              "F1.5",                        "F1.5"}},
    {MSG_TAG_F2_0,        {"F2.0",                       "F2.0",                                  "F2.0",                                "F2.0",                              "F2.0",                        "F2.0"}},
    {MSG_TAG_F2_5,        {"F2.5",                       "F2.5",                                  "F2.5",                                "F2.5",                              "F2.5",                        "F2.5"}},
    {MSG_TAG_F3_0,        {"F3.0",                       "F3.0",                                  "F3.0",                                "F3.0",                              "F3.0",                        "F3.0"}},
    {MSG_TAG_F3_5,        {"F3.5",                       "F3.5",                                  "F3.5",                                "F3.5",                              "F3.5",                        "F3.5"}},
    {MSG_TAG_F4_0,        {"F4.0",                       "F4.0",                                  "F4.0",                                "F4.0",                              "F4.0",                        "F4.0"}},
    {MSG_TAG_F4_5,        {"F4.5",                       "F4.5",                                  "F4.5",                                "F4.5",                              "F4.5",                        "F4.5"}},
    {MSG_TAG_F5_0,        {"F5.0",                       "F5.0",                                  "F5.0",                                "F5.0",                              "F5.0",                        "F5.0"}},
    {MSG_TAG_F5_5,        {"F5.5",                       "F5.5",                                  "F5.5",                                "F5.5",                              "F5.5",                        "F5.5"}},
    {MSG_TAG_F6_0,        {"F6.0",                       "F6.0",                                  "F6.0",                                "F6.0",                              "F6.0",                        "F6.0"}},
    {MSG_TAG_F30,         {"F30",                        "F30",                                   "F30",                                 "F30",                               "F30",                         "F30"}},
    {MSG_TAG_F40,         {"F40",                        "F40",                                   "F40",                                 "F40",                               "F40",                         "F40"}},
    {MSG_TAG_F50,         {"F50",                        "F50",                                   "F50",                                 "F50",                               "F50",                         "F50"}},
    {MSG_TAG_F60,         {"F60",                        "F60",                                   "F60",                                 "F60",                               "F60",                         "F60"}},
    {MSG_TAG_F70,         {"F70",                        "F70",                                   "F70",                                 "F70",                               "F70",                         "F70"}},
    {MSG_TAG_F80,         {"F80",                        "F80",                                   "F80",                                 "F80",                               "F80",                         "F80"}},
    {MSG_TAG_F90,         {"F90",                        "F90",                                   "F90",                                 "F90",                               "F90",                         "F90"}},
    {MSG_TAG_F100,        {"F100",                       "F100",                                  "F100",                                "F100",                              "F100",                        "F100"}},
    {MSG_TAG_F110,        {"F110",                       "F110",                                  "F110",                                "F110",                              "F110",                        "F110"}},
    {MSG_TAG_F120,        {"F120",                       "F120",                                  "F120",                                "F120",                              "F120",                        "F120"}},
    {MSG_TAG_F130,        {"F130",                       "F130",                                  "F130",                                "F130",                              "F130",                        "F130"}},
    {MSG_TAG_F140,        {"F140",                       "F140",                                  "F140",                                "F140",                              "F140",                        "F140"}},
    {MSG_TAG_F150,        {"F150",                       "F150",                                  "F150",                                "F150",                              "F150",                        "F150"}},
    {MSG_TAG_W0_75,       {"W.75 ",                      "W.75 ",                                 "W.75 ",                               "W.75 ",                             "W.75 ",                       "W.75 "}},
    {MSG_TAG_W1_0,        {"W1.0",                       "W1.0",                                  "W1.0",                                "W1.0",                              "W1.0",                        "W1.0"}},
    {MSG_TAG_W1_2,        {"W1.2",                       "W1.2",                                  "W1.2",                                "W1.2",                              "W1.2",                        "W1.2"}},
    {MSG_TAG_W1_5,        {"W1.5",                       "W1.5",                                  "W1.5",                                "W1.5",                              "W1.5",                        "W1.5"}},
    {MSG_TAG_W2_0,        {"W2.0",                       "W2.0",                                  "W2.0",                                "W2.0",                              "W2.0",                        "W2.0"}},
    {MSG_TAG_W2_5,        {"W2.5",                       "W2.5",                                  "W2.5",                                "W2.5",                              "W2.5",                        "W2.5"}},
    {MSG_TAG_W3_0,        {"W3.0",                       "W3.0",                                  "W3.0",                                "W3.0",                              "W3.0",                        "W3.0"}},
    {MSG_TAG_W4_0,        {"W4.0",                       "W4.0",                                  "W4.0",                                "W4.0",                              "W4.0",                        "W4.0"}},
    {MSG_TAG_W5_0,        {"W5.0",                       "W5.0",                                  "W5.0",                                "W5.0",                              "W5.0",                        "W5.0"}},
    {MSG_TAG_W6_0,        {"W6.0",                       "W6.0",                                  "W6.0",                                "W6.0",                              "W6.0",                        "W6.0"}},
    {MSG_TAG_W20,         {"W20",                        "W20",                                   "W20",                                 "W20",                               "W20",                         "W20"}},
    {MSG_TAG_W25,         {"W25",                        "W25",                                   "W25",                                 "W25",                               "W25",                         "W25"}},
    {MSG_TAG_W30,         {"W30",                        "W30",                                   "W30",                                 "W30",                               "W30",                         "W30"}},
    {MSG_TAG_W40,         {"W40",                        "W40",                                   "W40",                                 "W40",                               "W40",                         "W40"}},
    {MSG_TAG_W50,         {"W50",                        "W50",                                   "W50",                                 "W50",                               "W50",                         "W50"}},
    {MSG_TAG_W65,         {"W65",                        "W65",                                   "W65",                                 "W65",                               "W65",                         "W65"}},
    {MSG_TAG_W75,         {"W75",                        "W75",                                   "W75",                                 "W75",                               "W75",                         "W75"}},
    {MSG_TAG_W100,        {"W100",                       "W100",                                  "W100",                                "W100",                              "W100",                        "W100"}},
    {MSG_TAG_W130,        {"W130",                       "W130",                                  "W130",                                "W130",                              "W130",                        "W130"}},
    {MSG_TAG_W150,        {"W150",                       "W150",                                  "W150",                                "W150",                              "W150",                        "W150"}},
    {MSG_TAG_WIRE,        {"WIRE",                       "WIRE",                                  "WIRE",                                "WIRE",                              "WIRE",                        "WIRE"}},
    {MSG_TAG_TERM,        {"TERM",                       "TERM",                                  "TERM",                                "TERM",                              "TERM",                        "TERM"}},
    {MSG_TAG_PORT,        {"PORT",                       "PORT",                                  "PORT",                                "PORT",                              "PORT",                        "PORT"}},
    {MSG_MAX_LINES,       {"Max 4 lines",                "M\x81ximo 4 l\xB0neas",                 "4 lignes max. ",                      "M\x81x. 4 linhas",                  "Max. 4 Zeilen",               "Max 4 lijnen"}},
    {MSG_MAX_CHARS,       {"Max 50 characters per line", "M\x81ximo 50 caracteres por l\xB0nea ", "50 caract\xA0res max. par ligne ",    "M\x81x. 50 caract./linha",          "Max. 50 Zeichen pro Zeile",   "Max 50 tekens per lijn"}},
    {MSG_REPLACE_Q,       {"Replace?",                   "\xFDReemplazar?",                       "Remplacer?",                          "Substituir?",                       "Ersetzen?",                   "Vervangen?"}},
    {MSG_YES,             {"Yes",                        "S\xB0",                                 "Oui",                                 "Sim",                               "Ja",                          "Ja"}},
    {MSG_NO,              {"No",                         "No",                                    "Non",                                 "N\x89o",                            "Nein",                        "Nee"}},
    {MSG_NOT_AVAILABLE,   {"Function Not Available",     "Funci\xC4n no disponible",              "Fonction non disponible",             "Fun\x96\x89o n\x89o dispon\xB0vel", "Funktion nicht verf\xE4gbar", "Functie niet beschikbaar"}},
};
// clang-format on

static_assert(sizeof kRows / sizeof kRows[0] == MSG_COUNT, "one row per message id");

constexpr bool rows_in_id_order() {
  for (unsigned i = 0; i < MSG_COUNT; ++i)
    if (kRows[i].id != i) return false;
  return true;
}
static_assert(rows_in_id_order(), "row i holds message id i");

using LanguageTable = std::array<const char*, MSG_COUNT>;

constexpr LanguageTable language_table(unsigned language) {
  LanguageTable table{};
  for (unsigned i = 0; i < MSG_COUNT; ++i) table[i] = kRows[i].text[language];
  return table;
}

// One table of 176 text addresses per language, and the table of the six.
constexpr LanguageTable kEnglish = language_table(LANG_ENGLISH);
constexpr LanguageTable kSpanish = language_table(LANG_SPANISH);
constexpr LanguageTable kFrench = language_table(LANG_FRENCH);
constexpr LanguageTable kPortuguese = language_table(LANG_PORTUGUESE);
constexpr LanguageTable kGerman = language_table(LANG_GERMAN);
constexpr LanguageTable kDutch = language_table(LANG_DUTCH);

constexpr const LanguageTable* kLanguages[MSG_LANGUAGES] = {
    &kEnglish, &kSpanish, &kFrench, &kPortuguese, &kGerman, &kDutch,
};

}  // namespace

const char* msg_text_in(uint8_t language, uint8_t id) {
  if (language >= MSG_LANGUAGES) language = LANG_ENGLISH;
  // Callers pass ids 0..175; anything else must not read past the table.
  if (id >= MSG_COUNT) return "";
  return (*kLanguages[language])[id];
}

const char* msg_text(uint8_t id) { return msg_text_in(sys_language(), id); }
