#include "app/result_text.h"

namespace mv {

const char* DescribeResult(Result code, bool german) {
  struct Entry {
    Result code;
    const char* english;
    const char* german;
  };
  // Codes that share a number with another meaning are described by their
  // meaning in the tools' work (1: a failed helper, not a missing payload).
  static const Entry kTexts[] = {
      {kOk, "success", "Erfolg"},
      {kFailed, "the operation failed", "der Vorgang schlug fehl"},
      {kNotOpen, "not open", "nicht ge\xF6" "ffnet"},
      {kBadArgument, "invalid argument", "ung\xFCltige Angabe"},
      {kUnknownSwitch, "unknown switch", "unbekannter Schalter"},
      {kCancelled, "cancelled", "abgebrochen"},
      {kUnsupported, "not supported", "nicht unterst\xFCtzt"},
      {kOutOfMemory, "out of memory", "nicht genug Arbeitsspeicher"},
      {kDiskFull, "not enough free disk space", "nicht genug freier Speicherplatz"},
      {kTempFileNotCreated, "cannot create a temporary file", "tempor\xE4re Datei kann nicht angelegt werden"},
      {kFileNotFound, "no such file", "Datei nicht gefunden"},
      {kCannotOverwrite, "cannot overwrite the file", "Datei kann nicht \xFC" "berschrieben werden"},
      {kCannotOpen, "cannot open the file", "Datei kann nicht ge\xF6" "ffnet werden"},
      {kShortWrite, "cannot write the file", "Datei kann nicht geschrieben werden"},
      {kShortRead, "the data ends early", "die Daten enden vorzeitig"},
      {kEmptyPath, "empty path", "leerer Pfad"},
      {kCannotDeleteFile, "cannot delete the file", "Datei kann nicht gel\xF6scht werden"},
      {kTargetFileExists, "the target file exists", "die Zieldatei existiert"},
      {kCannotRenameFile, "cannot rename the file", "Datei kann nicht umbenannt werden"},
      {kBadFolder, "not a usable folder", "kein verwendbarer Ordner"},
      {kFolderNotFound, "no such folder", "Ordner nicht gefunden"},
      {kAccessDenied, "access denied", "Zugriff verweigert"},
      {kCannotRemoveFolder, "cannot remove the folder", "Ordner kann nicht entfernt werden"},
      {kCannotRenameFolder, "cannot rename the folder", "Ordner kann nicht umbenannt werden"},
      {kFolderNotMade, "cannot create the folder", "Ordner kann nicht angelegt werden"},
      {kTargetFolderExists, "the target folder exists", "der Zielordner existiert"},
      {kUnsafeEntryPath, "an entry would be written outside the target folder",
       "ein Eintrag w\xFCrde au\xDF" "erhalb des Zielordners geschrieben"},
      {kLinkInTarget, "a symbolic link is in the way (never followed)",
       "eine symbolische Verkn\xFCpfung steht im Weg (wird nie verfolgt)"},
      {kPathTooLong, "an entry's path is too long or too deep", "der Pfad eines Eintrags ist zu lang oder zu tief"},
      {kNoFreeTempName, "no free temporary name", "kein freier tempor\xE4rer Name"},
      {kPayloadOverrun, "the hidden data is longer than announced", "die versteckten Daten sind l\xE4nger als angegeben"},
      {kNotAContainer, "not a container", "kein Container"},
      {kNotARecord, "the hidden data is not a package", "die versteckten Daten sind kein Paket"},
      {kOldFormat, "a container of the older layout", "ein Container im \xE4lteren Format"},
      {kMalformedRecord, "malformed data", "fehlerhafte Daten"},
      {kRecordTooLarge, "the package's records need more memory than allowed",
       "die Datens\xE4tze des Pakets brauchen mehr Speicher als erlaubt"},
      {kDecompressionFailed, "the compressed data is damaged", "die komprimierten Daten sind besch\xE4" "digt"},
      {kBadCompression, "unknown compression setting", "unbekannte Kompressionseinstellung"},
      {kCipherFailed, "the encrypted data is damaged", "die verschl\xFCsselten Daten sind besch\xE4" "digt"},
      {kUnknownCipher, "unknown cipher", "unbekanntes Verschl\xFCsselungsverfahren"},
      {kCipherNotSupported, "cipher not supported", "Verschl\xFCsselungsverfahren nicht unterst\xFCtzt"},
      {kBadVector, "bad initial vector", "fehlerhafter Initialisierungsvektor"},
      {kBadBlockLength, "bad block length", "fehlerhafte Blockl\xE4nge"},
      {kWrongPassword, "wrong password", "falsches Passwort"},
      {kPackageDamaged, "the package is damaged or was changed", "das Paket ist besch\xE4" "digt oder wurde ver\xE4ndert"},
      {kPackageTruncated, "the package ends early", "das Paket endet vorzeitig"},
      {kKdfTooCostly, "the key derivation asks for more memory or time than allowed",
       "die Schl\xFCsselableitung verlangt mehr Speicher oder Zeit als erlaubt"},
      {kWindowTooLarge, "the compressed content asks for more memory than allowed",
       "der komprimierte Inhalt verlangt mehr Speicher als erlaubt"},
      {kNoRandomSource, "the system's random generator failed", "der Zufallsgenerator des Systems versagte"},
      {kCarrierTooSmall, "the carrier is too small", "der Tr\xE4ger ist zu klein"},
      {kNoHiddenData, "wrong password, or nothing hidden in the carrier",
       "falsches Passwort, oder nichts im Tr\xE4ger versteckt"},
  };
  for (const Entry& e : kTexts) {
    if (e.code == code) return german ? e.german : e.english;
  }
  return german ? "Fehler" : "error";
}

}  // namespace mv
