// The same texts as the Windows string table (ui/strings.rc), stored in the
// program's code page, Windows-1252.
#include "platform/posix/string_table.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace mv::platform {
namespace {

struct Entry {
  uint32_t id;
  const char* english;
  const char* german;
};

#define MV_PRODUCT_PAGE "http://www.morvalis.example/product.php?"
#define MV_SHOP_PAGE "http://www.morvalis.example/shop.php?"

constexpr Entry kTable[] = {
    {1, "Morvalis", "Morvalis"},
    {2, "The files have been saved successfully to the folder \"%s\".",
     "Die entschl\xFCsselten Daten wurden erfolgreich in den Order \"%s\" gespeichert."},
    {3, "An error occured while decrypting.\n\nErrorcode: %i",
     "Es trat ein Fehler bei der Entschl\xFCsselung auf.\n\nFehlercode: %i"},
    {4, "The entered password is not correct.",
     "Das eingegebene Passwort stimmt nicht.\n\nBitte versuchen Sie es erneut. Achten Sie auf Gro\xDF- und "
     "Kleinschreibung."},
    {5, MV_PRODUCT_PAGE "language=en&product=mws", MV_PRODUCT_PAGE "product=mws&language=de"},
    {6, MV_PRODUCT_PAGE "language=en&product=mvb", MV_PRODUCT_PAGE "product=mvb&language=de"},
    {7, MV_SHOP_PAGE "product=mws&language=en&area=shop", MV_SHOP_PAGE "product=mws&language=de&area=shop"},
    {8, "Into which folder do you want to decrypt the files?",
     "In welchen Ordner sollen die Dateien entschl\xFCsselt werden?"},
    {9, "The selected target folder is invalid.", "Der angegebene Ordner ist ung\xFCltig."},
    {10, "An error occured while creating a temporary file.",
     "Beim Erstellen einer tempor\xE4ren Datei ist ein Fehler aufgetreten."},
    {12, MV_SHOP_PAGE "product=mvb&language=en&area=shop", MV_SHOP_PAGE "product=mvb&language=de&area=shop"},
    {13, "An error occured while saving the files.\n\nErrorcode: %i",
     "Beim Speichern der Dateien ist ein Fehler aufgetreten.\n\nFehlercode: %i"},
    {14, "An error occured while saving the text file.\n\nErrorcode: %i",
     "Beim Speichern des Texts ist ein Fehler aufgetreten.\n\nFehlercode: %i"},
    {15, "Morvalis - Save text", "Morvalis - Text speichern"},
    {16, "Text files (*.txt)", "Text-Dateien (*.txt)"},
    {17, "The text of the encrypted email has been successfully saved to the file \"%s\".",
     "Der Text der verschl\xFCsselten E-Mail wurde erfolgreich in die Datei \"%s\" gespeichert."},
    {18, "Please wait...", "Bitte warten..."},
    {19,
     "The folder \"%s\" already exists.\n\nThe files in this folder will be overwritten\n\nDo you want to "
     "proceed?",
     "Das Verzeichnis \"%s\" existiert bereits.\n\nDie darin enthaltenen Dateien werden ggf. \xFC"
     "berschrieben.\n\nM\xF6"
     "chten Sie fortfahren?"},
    {20, "%s and %i more file(s)", "%s und %i weitere Datei(en)"},
    {21, "Decryption has been canceled by user.", "Die Entschl\xFCsselung wurde vom Benutzer abgebrochen."},
    {22, "The specified folder is a file.\n\nPlease specify a different folder.",
     "Der angegebene Ordner ist eine Datei.\n\nBitte w\xE4hlen Sie einen anderen Ordner."},
    {23, "The package is damaged or was changed (in its header).\n\nNo file has been saved.",
     "Das Paket ist besch\xE4""digt oder wurde ver\xE4ndert (im Kopf).\n\nEs wurde keine Datei gespeichert."},
    {24, "The package is damaged or was changed (at chunk %i).\n\nNo file has been saved.",
     "Das Paket ist besch\xE4""digt oder wurde ver\xE4ndert (bei Block %i).\n\nEs wurde keine Datei gespeichert."},
    {25, "The package ends early: it is incomplete.\n\nNo file has been saved.",
     "Das Paket endet vorzeitig: es ist unvollst\xE4ndig.\n\nEs wurde keine Datei gespeichert."},
    {26, "To check the password, the package asks for more memory or time than is allowed.",
     "Zur Pr\xFC""fung des Passworts verlangt das Paket mehr Speicher oder Zeit, als erlaubt ist."},
    {27, "The memory is too full for the decrypted files: decrypting once more on the disk.",
     "Der Speicher ist zu voll f\xFCr die entschl\xFCsselten Dateien: die Entschl\xFCsselung beginnt noch einmal auf "
     "der Festplatte."},
    {28, "The password holds characters that no password of this package can hold (%s).\n\nPlease enter it again.",
     "Das Passwort enth\xE4lt Zeichen, die kein Passwort dieses Pakets enthalten kann (%s).\n\nBitte geben Sie es "
     "erneut ein."},
    {29, "There is too little free memory for the decrypted files: decrypting on the disk.",
     "F\xFCr die entschl\xFCsselten Dateien ist zu wenig Speicher frei: die Entschl\xFCsselung erfolgt auf der "
     "Festplatte."},
};

// Message boxes with a fixed text of their own.
constexpr struct {
  const char* english;
  const char* german;
} kMessages[] = {
    {"Error writing data to file!!!", "Fehler beim Schreiben der Daten in die Datei!!!"},
};

}  // namespace

Language UserLanguage() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    return std::strncmp(value, "de", 2) == 0 ? Language::kGerman : Language::kEnglish;
  }
  return Language::kEnglish;
}

const char* FindTableString(uint32_t id, Language language) {
  for (const Entry& e : kTable) {
    if (e.id == id) return language == Language::kGerman ? e.german : e.english;
  }
  return nullptr;
}

const char* TranslateMessage(const char* text, Language language) {
  if (language != Language::kGerman || text == nullptr) return text;
  for (const auto& message : kMessages) {
    if (std::strcmp(message.english, text) == 0) return message.german;
  }
  return text;
}

}  // namespace mv::platform
