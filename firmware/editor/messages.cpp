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
    {  0, {"On",                         "S\xB0",                                 "Oui",                                 "Sim",                               "Ein",                         "Aan"}},
    {  1, {"Off",                        "No",                                    "Non",                                 "N\x89o",                            "Aus",                         "Uit"}},
    {  2, {"Symbols",                    "S\xB0mbolos",                           "Symboles",                            "S\xB0mbolos",                       "Symbole",                     "Symbolen"}},
    {  3, {"International",              "Internacional",                         "International",                       "Internacional",                     "International",               "Internationaal"}},
    {  4, {"Barcode",                    "C\xC4" "digo de barras",                "Code-barres",                         "C\xC4" "digo de barras",            "Barcode",                     "Streepjescode"}},
    {  5, {"Code 39",                    "C\xC4" "digo 39",                       "Code 39",                             "C\xC4" "digo 39",                   "Code 39",                     "Code 39"}},
    {  6, {"Code 128",                   "C\xC4" "digo 128",                      "Code 128",                            "C\xC4" "digo 128",                  "Code 128",                    "Code 128"}},
    {  7, {"File",                       "Archivo",                               "Fichier",                             "Arquivo",                           "Datei",                       "Bestand"}},
    {  8, {"Save",                       "Guardar",                               "Enregistrer ",                        "Salvar",                            "Speichern",                   "Opslaan"}},
    {  9, {"Open",                       "Abrir",                                 "Ouvrir",                              "Abrir",                             "\xC9" "ffnen",                "Openen"}},
    { 10, {"Delete",                     "Borrar",                                "Supprimer",                           "Excluir",                           "L\xCAschen",                  "Wissen"}},
    { 11, {"Language",                   "Idioma",                                "Langue",                              "Idioma",                            "Sprache",                     "Taal"}},
    { 12, {"English",                    "English",                               "English",                             "English",                           "English",                     "English"}},
    { 13, {"Espa\xBCol",                 "Espa\xBCol",                            "Espa\xBCol",                          "Espa\xBCol",                        "Espa\xBCol",                  "Espa\xBCol"}},
    { 14, {"Fran\x96" "ais",             "Fran\x96" "ais",                        "Fran\x96" "ais",                      "Fran\x96" "ais",                    "Fran\x96" "ais",              "Fran\x96" "ais"}},
    { 15, {"Portugu\xA2s",               "Portugu\xA8s",                          "Portugu\xA8s",                        "Portugu\xA8s",                      "Portugu\xA8s",                "Portugu\xA8s"}},
    { 16, {"Deutsch",                    "Deutsch",                               "Deutsch",                             "Deutsch",                           "Deutsch",                     "Deutsch"}},
    { 17, {"Nederlands",                 "Nederlands",                            "Nederlands",                          "Nederlands",                        "Nederlands",                  "Nederlands"}},
    { 18, {"Serial:",                    "Serie:",                                "S\xA4rie:",                           "Numera\x96\x89o:",                  "Serie:",                      "Serie:"}},
    { 19, {"Increment By:",              "Incremento:",                           "Incr\xA4ment:",                       "Incremento:",                       "Schrittweite:",               "Stapgrootte:"}},
    { 20, {"Start:",                     "Inicio:",                               "D\xA4" "but:",                        "In\xB0" "cio:",                     "Start:",                      "Start:"}},
    { 21, {"End:",                       "Fin:",                                  "Fin:",                                "Fim:",                              "Ende:",                       "Einde:"}},
    { 22, {"Copies:",                    "Copias:",                               "Copies:",                             "C\xC4pias:",                        "Kopien:",                     "Exemplaren:"}},
    { 23, {"Banner Portrait",            "Banner vertical",                       "Banni\xA0re portrait",                "Banner vertical",                   "Banner hoch",                 "Banner staand"}},
    { 24, {"Banner Landscape",           "Banner horizontal",                     "Banni\xA0re paysage",                 "Banner horizontal",                 "Banner quer",                 "Banner liggend"}},
    { 25, {"Fixed Length",               "Longitud fija",                         "Longueur fixe",                       "Comprimento fixo",                  "Feste L\x87nge",              "Vaste lengte"}},
    { 26, {"Fixed 1.0\"",                "Fija 1.0\"",                            "Fixe 1,0\"",                          "Fixo 1,0\"",                        "Fest 1,0\"",                  "Vast 1,0\""}},
    { 27, {"Fixed 1.5\"",                "Fija 1.5\"",                            "Fixe 1,5\"",                          "Fixo 1,5\"",                        "Fest 1,5\"",                  "Vast 1,5\""}},
    { 28, {"Fixed 2.0\"",                "Fija 2.0\"",                            "Fixe 2,0\"",                          "Fixo 2,0\"",                        "Fest 2,0\"",                  "Vast 2,0\""}},
    { 29, {"Fixed 2.5\"",                "Fija 2.5\"",                            "Fixe 2,5\"",                          "Fixo 2,5\"",                        "Fest 2,5\"",                  "Vast 2,5\""}},
    { 30, {"Fixed 3.0\"",                "Fija 3.0\"",                            "Fixe 3,0\"",                          "Fixo 3,0\"",                        "Fest 3,0\"",                  "Vast 3,0\""}},
    { 31, {"Fixed 3.5\"",                "Fija 3.5\"",                            "Fixe 3,5\"",                          "Fixo 3,5\"",                        "Fest 3,5\"",                  "Vast 3,5\""}},
    { 32, {"Fixed 4.0\"",                "Fija 4.0\"",                            "Fixe 4,0\"",                          "Fixo 4,0\"",                        "Fest 4,0\"",                  "Vast 4,0\""}},
    { 33, {"Fixed 4.5\"",                "Fija 4.5\"",                            "Fixe 4,5\"",                          "Fixo 4,5\"",                        "Fest 4,5\"",                  "Vast 4,5\""}},
    { 34, {"Fixed 5.0\"",                "Fija 5.0\"",                            "Fixe 5,0\"",                          "Fixo 5,0\"",                        "Fest 5,0\"",                  "Vast 5,0\""}},
    { 35, {"Fixed 5.5\"",                "Fija 5.5\"",                            "Fixe 5,5\"",                          "Fixo 5,5\"",                        "Fest 5,5\"",                  "Vast 5,5\""}},
    { 36, {"Fixed 6.0\"",                "Fija 6.0\"",                            "Fixe 6,0\"",                          "Fixo 6,0\"",                        "Fest 6,0\"",                  "Vast 6,0\""}},
    { 37, {"Fixed 10 mm",                "Fija 10 mm",                            "Fixe 10 mm",                          "Fixo 10 mm",                        "Fest 10 mm",                  "Vast 10 mm"}},
    { 38, {"Fixed 20 mm",                "Fija 20 mm",                            "Fixe 20 mm",                          "Fixo 20 mm",                        "Fest 20 mm",                  "Vast 20 mm"}},
    { 39, {"Fixed 30 mm",                "Fija 30 mm",                            "Fixe 30 mm",                          "Fixo 30 mm",                        "Fest 30 mm",                  "Vast 30 mm"}},
    { 40, {"Fixed 40 mm",                "Fija 40 mm",                            "Fixe 40 mm",                          "Fixo 40 mm",                        "Fest 40 mm",                  "Vast 40 mm"}},
    { 41, {"Fixed 50 mm",                "Fija 50 mm",                            "Fixe 50 mm",                          "Fixo 50 mm",                        "Fest 50 mm",                  "Vast 50 mm"}},
    { 42, {"Fixed 60 mm",                "Fija 60 mm",                            "Fixe 60 mm",                          "Fixo 60 mm",                        "Fest 60 mm",                  "Vast 60 mm"}},
    { 43, {"Fixed 70 mm",                "Fija 70 mm",                            "Fixe 70 mm",                          "Fixo 70 mm",                        "Fest 70 mm",                  "Vast 70 mm"}},
    { 44, {"Fixed 80 mm",                "Fija 80 mm",                            "Fixe 80 mm",                          "Fixo 80 mm",                        "Fest 80 mm",                  "Vast 80 mm"}},
    { 45, {"Fixed 90 mm",                "Fija 90 mm",                            "Fixe 90 mm",                          "Fixo 90 mm",                        "Fest 90 mm",                  "Vast 90 mm"}},
    { 46, {"Fixed 100 mm",               "Fija 100 mm",                           "Fixe 100 mm",                         "Fixo 100 mm",                       "Fest 100 mm",                 "Vast 100 mm"}},
    { 47, {"Fixed 110 mm",               "Fija 110 mm",                           "Fixe 110 mm",                         "Fixo 110 mm",                       "Fest 110 mm",                 "Vast 110 mm"}},
    { 48, {"Fixed 120 mm",               "Fija 120 mm",                           "Fixe 120 mm",                         "Fixo 120 mm",                       "Fest 120 mm",                 "Vast 120 mm"}},
    { 49, {"Fixed 130 mm",               "Fija 130 mm",                           "Fixe 130 mm",                         "Fixo 130 mm",                       "Fest 130 mm",                 "Vast 130 mm"}},
    { 50, {"Fixed 140 mm",               "Fija 140 mm",                           "Fixe 140 mm",                         "Fixo 140 mm",                       "Fest 140 mm",                 "Vast 140 mm"}},
    { 51, {"Fixed 150 mm",               "Fija 150 mm",                           "Fixe 150 mm",                         "Fixo 150 mm",                       "Fest 150 mm",                 "Vast 150 mm"}},
    { 52, {"Wire",                       "Cable",                                 "C\x8D" "ble",                         "Cabo",                              "Kabel",                       "Kabel"}},
    { 53, {".75\"(16-10AWG)",            ".75\"(16-10AWG)",                       ",75\"(16-10AWG)",                     ",75\"(16-10AWG)",                   ",75\"(16-10AWG)",             ",75\"(16-10AWG)"}},
    { 54, {"1.0\"(12-10AWG)",            "1.0\"(12-10AWG)",                       "1,0\"(12-10AWG)",                     "1,0\"(12-10AWG)",                   "1,0\"(12-10AWG)",             "1,0\"(12-10AWG)"}},
    { 55, {"1.2\"(10-4AWG)",             "1.2\"(10-4AWG)",                        "1,2\"(10-4AWG)",                      "1,2\"(10-4AWG)",                    "1,2\"(10-4AWG)",              "1,2\"(10-4AWG)"}},
    { 56, {"1.5\"(10-4AWG)",             "1.5\"(10-4AWG)",                        "1,5\"(10-4AWG)",                      "1,5\"(10-4AWG)",                    "1,5\"(10-4AWG)",              "1,5\"(10-4AWG)"}},
    { 57, {"2.0\"",                      "2.0\"",                                 "2,0\"",                               "2,0\"",                             "2,0\"",                       "2,0\""}},
    { 58, {"2.5\"(3AWG-2/0)",            "2.5\"(3AWG-2/0)",                       "2,5\"(3AWG-2/0)",                     "2,5\"(3AWG-2/0)",                   "2,5\"(3AWG-2/0)",             "2,5\"(3AWG-2/0)"}},
    { 59, {"3.0\"",                      "3.0\"",                                 "3,0\"",                               "3,0\"",                             "3,0\"",                       "3,0\""}},
    { 60, {"4.0\"(3/0-400 KCMIL)",       "4.0\"(3/0-400 KCMIL)",                  "4,0\"(3/0-400 KCMIL)",                "4,0\"(3/0-400 KCMIL)",              "4,0\"(3/0-400 KCMIL)",        "4,0\"(3/0-400 KCMIL)"}},
    { 61, {"5.0\"",                      "5.0\"",                                 "5,0\"",                               "5,0\"",                             "5,0\"",                       "5,0\""}},
    { 62, {"6.0\"(500-900 KCMIL)",       "6.0\"(500-900 KCMIL)",                  "6,0\"(500-900 KCMIL)",                "6,0\"(500-900 KCMIL)",              "6,0\"(500-900 KCMIL)",        "6,0\"(500-900 KCMIL)"}},
    { 63, {"20 mm",                      "20 mm",                                 "20 mm",                               "20 mm",                             "20 mm",                       "20 mm"}},
    { 64, {"25 mm",                      "25 mm",                                 "25 mm",                               "25 mm",                             "25 mm",                       "25 mm"}},
    { 65, {"30 mm",                      "30 mm",                                 "30 mm",                               "30 mm",                             "30 mm",                       "30 mm"}},
    { 66, {"40 mm",                      "40 mm",                                 "40 mm",                               "40 mm",                             "40 mm",                       "40 mm"}},
    { 67, {"50 mm",                      "50 mm",                                 "50 mm",                               "50 mm",                             "50 mm",                       "50 mm"}},
    { 68, {"65 mm",                      "65 mm",                                 "65 mm",                               "65 mm",                             "65 mm",                       "65 mm"}},
    { 69, {"75 mm",                      "75 mm",                                 "75 mm",                               "75 mm",                             "75 mm",                       "75 mm"}},
    { 70, {"100 mm",                     "100 mm",                                "100 mm",                              "100 mm",                            "100 mm",                      "100 mm"}},
    { 71, {"130 mm",                     "130 mm",                                "130 mm",                              "130 mm",                            "130 mm",                      "130 mm"}},
    { 72, {"150 mm",                     "150 mm",                                "150 mm",                              "150 mm",                            "150 mm",                      "150 mm"}},
    { 73, {"Terminal Block",             "Bloque de bornes",                      "Bornier",                             "Bloco terminal",                    "Klemmleiste",                 "Klemmenstrook"}},
    { 74, {"Patch Panel",                "Panel de conexiones",                   "Panneau de brassage",                 "Patch panel",                       "Patchfeld",                   "Patchpaneel"}},
    { 75, {"",                           "",                                      "",                                    "",                                  "",                            ""}},
    { 76, {"Spacing:",                   "Paso:",                                 "Pas:",                                "Passo:",                            "Abstand:",                    "Afstand:"}},
    { 77, {"# of Terminations:",         "N\xE2m. bornes:",                       "Nb de bornes:",                       "N\xF6 terminais:",                  "Anzahl Klemmen:",             "Aantal klemmen:"}},
    { 78, {"# of Ports:",                "N\xE2m. puertos:",                      "Nb de ports:",                        "N\xF6 portas:",                     "Anzahl Ports:",               "Aantal poorten:"}},
    { 79, {"Rotation:",                  "Rotaci\xC4n:",                          "Rotation:",                           "Rota\x96\x89o:",                    "Drehung:",                    "Rotatie:"}},
    { 80, {"Auto",                       "Auto",                                  "Auto",                                "Auto",                              "Auto",                        "Auto"}},
    { 81, {"Auto Bold",                  "Auto negrita",                          "Auto gras",                           "Auto negrito",                      "Auto fett",                   "Auto vet"}},
    { 82, {"6pt",                        "6pt",                                   "6pt",                                 "6pt",                               "6pt",                         "6pt"}},
    { 83, {"6pt Bold",                   "6pt negrita",                           "6pt gras",                            "6pt negrito",                       "6pt fett",                    "6pt vet"}},
    { 84, {"9pt",                        "9pt",                                   "9pt",                                 "9pt",                               "9pt",                         "9pt"}},
    { 85, {"9pt Bold",                   "9pt negrita",                           "9pt gras",                            "9pt negrito",                       "9pt fett",                    "9pt vet"}},
    { 86, {"14pt",                       "14pt",                                  "14pt",                                "14pt",                              "14pt",                        "14pt"}},
    { 87, {"14pt Bold",                  "14pt negrita",                          "14pt gras",                           "14pt negrito",                      "14pt fett",                   "14pt vet"}},
    { 88, {"20pt",                       "20pt",                                  "20pt",                                "20pt",                              "20pt",                        "20pt"}},
    { 89, {"20pt Bold",                  "20pt negrita",                          "20pt gras",                           "20pt negrito",                      "20pt fett",                   "20pt vet"}},
    { 90, {"28pt",                       "28pt",                                  "28pt",                                "28pt",                              "28pt",                        "28pt"}},
    { 91, {"28pt Bold",                  "28pt negrita",                          "28pt gras",                           "28pt negrito",                      "28pt fett",                   "28pt vet"}},
    { 92, {"40pt",                       "40pt",                                  "40pt",                                "40pt",                              "40pt",                        "40pt"}},
    { 93, {"40pt Bold",                  "40pt negrita",                          "40pt gras",                           "40pt negrito",                      "40pt fett",                   "40pt vet"}},
    { 94, {"Serial Print",               "Impresi\xC4n en serie",                 "Impression en s\xA4rie",              "Impress\x89o seriada",              "Seriendruck",                 "Serie afdrukken"}},
    { 95, {"Multi Print",                "Impresi\xC4n m\xE2ltiple",              "Impression multiple",                 "V\x81rias c\xC4pias",               "Mehrfachdruck",               "Meerdere afdrukken"}},
    { 96, {"1 :",                        "1 :",                                   "1 :",                                 "1 :",                               "1 :",                         "1 :"}},
    { 97, {"2 :",                        "2 :",                                   "2 :",                                 "2 :",                               "2 :",                         "2 :"}},
    { 98, {"3 :",                        "3 :",                                   "3 :",                                 "3 :",                               "3 :",                         "3 :"}},
    { 99, {"4 :",                        "4 :",                                   "4 :",                                 "4 :",                               "4 :",                         "4 :"}},
    {100, {"5 :",                        "5 :",                                   "5 :",                                 "5 :",                               "5 :",                         "5 :"}},
    {101, {"6 :",                        "6 :",                                   "6 :",                                 "6 :",                               "6 :",                         "6 :"}},
    {102, {"7 :",                        "7 :",                                   "7 :",                                 "7 :",                               "7 :",                         "7 :"}},
    {103, {"8 :",                        "8 :",                                   "8 :",                                 "8 :",                               "8 :",                         "8 :"}},
    {104, {"9 :",                        "9 :",                                   "9 :",                                 "9 :",                               "9 :",                         "9 :"}},
    {105, {"10:",                        "10:",                                   "10:",                                 "10:",                               "10:",                         "10:"}},
    {106, {"11:",                        "11:",                                   "11:",                                 "11:",                               "11:",                         "11:"}},
    {107, {"12:",                        "12:",                                   "12:",                                 "12:",                               "12:",                         "12:"}},
    {108, {"Units",                      "Unidades",                              "Unit\xA4s",                           "Unidades",                          "Einheiten",                   "Eenheden"}},
    {109, {"Inches",                     "Pulgadas",                              "Pouces",                              "Polegadas",                         "Zoll",                        "Inch"}},
    {110, {"Millimeters",                "Mil\xB0metros",                         "Millim\xA0tres",                      "Mil\xB0metros",                     "Millimeter",                  "Millimeter"}},
    {111, {"Cut or Print",               "Cortar o imprimir",                     "Couper ou imprimer",                  "Cortar ou imprimir",                "Schneiden oder drucken",      "Snijden of afdrukken"}},
    {112, {"File Name?",                 "\xFDNombre?",                           "Nom fichier?",                        "Nome arquivo?",                     "Dateiname?",                  "Bestandsnaam?"}},
    {113, {"Insert Labels",              "Insertar etiqueta",                     "Ins\xA4rer \xA4tiq.",                 "Inserir etiq",                      "Etik. einf\xE4gen",           "Labels invoegen"}},
    {114, {"Cannot Fit",                 "No cabe",                               "Espace insuffisant",                  "Espa\x96o insuficiente",            "Passt nicht",                 "Past niet"}},
    {115, {"Error",                      "Error",                                 "Erreur",                              "Erro",                              "Fehler",                      "Fout"}},
    {116, {"3/4\" media only",           "Solo cinta de 3/4\"",                   "Ruban 3/4\" uniquement",              "S\xC4 fita de 3/4\"",               "Nur 3/4\"-Band",              "Alleen 3/4\"-tape"}},
    {117, {"Banner Landscape mode only", "Solo en modo Banner horizontal",        "Mode banni\xA0re paysage uniquement", "S\xC4 Banner horizontal",           "Nur Modus Banner quer",       "Alleen Banner liggend"}},
    {118, {"Enter Name",                 "Introducir nombre",                     "Entrer un nom",                       "Digite o nome",                     "Name eingeben",               "Naam invoeren"}},
    {119, {"Delete?",                    "\xFD" "Borrar?",                        "Suppr.?",                             "Excluir?",                          "L\xCAschen?",                 "Wissen?"}},
    {120, {"AutoOff OFF",                "Autoapagado desactivado",               "Extinction auto d\xA4sactiv\xA4" "e", "Deslig. auto desativado",           "Auto-Aus deaktiviert",        "Auto-uit uitgeschakeld"}},
    {121, {"GEN",                        "GEN",                                   "GEN",                                 "GEN",                               "GEN",                         "GEN"}},
    {122, {"BAN",                        "BAN",                                   "BAN",                                 "BAN",                               "BAN",                         "BAN"}},
    {123, {"F1.0",                       "F1.0",                                  "F1.0",                                "F1.0",                              "F1.0",                        "F1.0"}},
    {124, {"F1.5",                       "F1.5",                                  "F1.5",                                "F1.5",                              "F1.5",                        "F1.5"}},
    {125, {"F2.0",                       "F2.0",                                  "F2.0",                                "F2.0",                              "F2.0",                        "F2.0"}},
    {126, {"F2.5",                       "F2.5",                                  "F2.5",                                "F2.5",                              "F2.5",                        "F2.5"}},
    {127, {"F3.0",                       "F3.0",                                  "F3.0",                                "F3.0",                              "F3.0",                        "F3.0"}},
    {128, {"F3.5",                       "F3.5",                                  "F3.5",                                "F3.5",                              "F3.5",                        "F3.5"}},
    {129, {"F4.0",                       "F4.0",                                  "F4.0",                                "F4.0",                              "F4.0",                        "F4.0"}},
    {130, {"F4.5",                       "F4.5",                                  "F4.5",                                "F4.5",                              "F4.5",                        "F4.5"}},
    {131, {"F5.0",                       "F5.0",                                  "F5.0",                                "F5.0",                              "F5.0",                        "F5.0"}},
    {132, {"F5.5",                       "F5.5",                                  "F5.5",                                "F5.5",                              "F5.5",                        "F5.5"}},
    {133, {"F6.0",                       "F6.0",                                  "F6.0",                                "F6.0",                              "F6.0",                        "F6.0"}},
    {134, {"F30",                        "F30",                                   "F30",                                 "F30",                               "F30",                         "F30"}},
    {135, {"F40",                        "F40",                                   "F40",                                 "F40",                               "F40",                         "F40"}},
    {136, {"F50",                        "F50",                                   "F50",                                 "F50",                               "F50",                         "F50"}},
    {137, {"F60",                        "F60",                                   "F60",                                 "F60",                               "F60",                         "F60"}},
    {138, {"F70",                        "F70",                                   "F70",                                 "F70",                               "F70",                         "F70"}},
    {139, {"F80",                        "F80",                                   "F80",                                 "F80",                               "F80",                         "F80"}},
    {140, {"F90",                        "F90",                                   "F90",                                 "F90",                               "F90",                         "F90"}},
    {141, {"F100",                       "F100",                                  "F100",                                "F100",                              "F100",                        "F100"}},
    {142, {"F110",                       "F110",                                  "F110",                                "F110",                              "F110",                        "F110"}},
    {143, {"F120",                       "F120",                                  "F120",                                "F120",                              "F120",                        "F120"}},
    {144, {"F130",                       "F130",                                  "F130",                                "F130",                              "F130",                        "F130"}},
    {145, {"F140",                       "F140",                                  "F140",                                "F140",                              "F140",                        "F140"}},
    {146, {"F150",                       "F150",                                  "F150",                                "F150",                              "F150",                        "F150"}},
    {147, {"W.75 ",                      "W.75 ",                                 "W.75 ",                               "W.75 ",                             "W.75 ",                       "W.75 "}},
    {148, {"W1.0",                       "W1.0",                                  "W1.0",                                "W1.0",                              "W1.0",                        "W1.0"}},
    {149, {"W1.2",                       "W1.2",                                  "W1.2",                                "W1.2",                              "W1.2",                        "W1.2"}},
    {150, {"W1.5",                       "W1.5",                                  "W1.5",                                "W1.5",                              "W1.5",                        "W1.5"}},
    {151, {"W2.0",                       "W2.0",                                  "W2.0",                                "W2.0",                              "W2.0",                        "W2.0"}},
    {152, {"W2.5",                       "W2.5",                                  "W2.5",                                "W2.5",                              "W2.5",                        "W2.5"}},
    {153, {"W3.0",                       "W3.0",                                  "W3.0",                                "W3.0",                              "W3.0",                        "W3.0"}},
    {154, {"W4.0",                       "W4.0",                                  "W4.0",                                "W4.0",                              "W4.0",                        "W4.0"}},
    {155, {"W5.0",                       "W5.0",                                  "W5.0",                                "W5.0",                              "W5.0",                        "W5.0"}},
    {156, {"W6.0",                       "W6.0",                                  "W6.0",                                "W6.0",                              "W6.0",                        "W6.0"}},
    {157, {"W20",                        "W20",                                   "W20",                                 "W20",                               "W20",                         "W20"}},
    {158, {"W25",                        "W25",                                   "W25",                                 "W25",                               "W25",                         "W25"}},
    {159, {"W30",                        "W30",                                   "W30",                                 "W30",                               "W30",                         "W30"}},
    {160, {"W40",                        "W40",                                   "W40",                                 "W40",                               "W40",                         "W40"}},
    {161, {"W50",                        "W50",                                   "W50",                                 "W50",                               "W50",                         "W50"}},
    {162, {"W65",                        "W65",                                   "W65",                                 "W65",                               "W65",                         "W65"}},
    {163, {"W75",                        "W75",                                   "W75",                                 "W75",                               "W75",                         "W75"}},
    {164, {"W100",                       "W100",                                  "W100",                                "W100",                              "W100",                        "W100"}},
    {165, {"W130",                       "W130",                                  "W130",                                "W130",                              "W130",                        "W130"}},
    {166, {"W150",                       "W150",                                  "W150",                                "W150",                              "W150",                        "W150"}},
    {167, {"WIRE",                       "WIRE",                                  "WIRE",                                "WIRE",                              "WIRE",                        "WIRE"}},
    {168, {"TERM",                       "TERM",                                  "TERM",                                "TERM",                              "TERM",                        "TERM"}},
    {169, {"PORT",                       "PORT",                                  "PORT",                                "PORT",                              "PORT",                        "PORT"}},
    {170, {"Max 4 lines",                "M\x81ximo 4 l\xB0neas",                 "4 lignes max. ",                      "M\x81x. 4 linhas",                  "Max. 4 Zeilen",               "Max 4 lijnen"}},
    {171, {"Max 50 characters per line", "M\x81ximo 50 caracteres por l\xB0nea ", "50 caract\xA0res max. par ligne ",    "M\x81x. 50 caract./linha",          "Max. 50 Zeichen pro Zeile",   "Max 50 tekens per lijn"}},
    {172, {"Replace?",                   "\xFDReemplazar?",                       "Remplacer?",                          "Substituir?",                       "Ersetzen?",                   "Vervangen?"}},
    {173, {"Yes",                        "S\xB0",                                 "Oui",                                 "Sim",                               "Ja",                          "Ja"}},
    {174, {"No",                         "No",                                    "Non",                                 "N\x89o",                            "Nein",                        "Nee"}},
    {175, {"Function Not Available",     "Funci\xC4n no disponible",              "Fonction non disponible",             "Fun\x96\x89o n\x89o dispon\xB0vel", "Funktion nicht verf\xE4gbar", "Functie niet beschikbaar"}},
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
