// Every text of the programs in German.
// Texts are Windows-1252, as packages and both programs keep text.
#include "base/language_tables.h"

#define MV_PRODUCT_PAGE "http://www.morvalis.example/product.php?"
#define MV_SHOP_PAGE "http://www.morvalis.example/shop.php?"

namespace mv {

const char* GermanText(TextId id) {
  switch (id) {
    case TextId::kNone:
      return "";
    case TextId::kProductName:
      return "Morvalis";
    case TextId::kFilesSaved:
      return "Die entschl\xFCsselten Daten wurden erfolgreich in den Order \"%s\" gespeichert.";
    case TextId::kDecryptFailed:
      return "Es trat ein Fehler bei der Entschl\xFCsselung auf.\n\nFehlercode: %i";
    case TextId::kWrongPassword:
      return "Das eingegebene Passwort stimmt nicht.\n\nBitte versuchen Sie es erneut. Achten Sie auf Gro\xDF- und "
     "Kleinschreibung.";
    case TextId::kSuitePage:
      return MV_PRODUCT_PAGE "product=mws&language=de";
    case TextId::kPackagePage:
      return MV_PRODUCT_PAGE "product=mvb&language=de";
    case TextId::kSuiteShop:
      return MV_SHOP_PAGE "product=mws&language=de&area=shop";
    case TextId::kBrowseTitle:
      return "In welchen Ordner sollen die Dateien entschl\xFCsselt werden?";
    case TextId::kInvalidFolder:
      return "Der angegebene Ordner ist ung\xFCltig.";
    case TextId::kTempFileFailed:
      return "Beim Erstellen einer tempor\xE4ren Datei ist ein Fehler aufgetreten.";
    case TextId::kPackageShop:
      return MV_SHOP_PAGE "product=mvb&language=de&area=shop";
    case TextId::kCopyFailed:
      return "Beim Speichern der Dateien ist ein Fehler aufgetreten.\n\nFehlercode: %i";
    case TextId::kTextSaveFailed:
      return "Beim Speichern des Texts ist ein Fehler aufgetreten.\n\nFehlercode: %i";
    case TextId::kSaveTextTitle:
      return "Morvalis - Text speichern";
    case TextId::kTextFilesFilter:
      return "Text-Dateien (*.txt)";
    case TextId::kTextSaved:
      return "Der Text der verschl\xFCsselten E-Mail wurde erfolgreich in die Datei \"%s\" gespeichert.";
    case TextId::kPleaseWait:
      return "Bitte warten...";
    case TextId::kFolderExists:
      return "Das Verzeichnis \"%s\" existiert bereits.\n\nDie darin enthaltenen Dateien werden ggf. \xFC"
     "berschrieben.\n\nM\xF6"
     "chten Sie fortfahren?";
    case TextId::kMoreFiles:
      return "%s und %i weitere Datei(en)";
    case TextId::kCancelled:
      return "Die Entschl\xFCsselung wurde vom Benutzer abgebrochen.";
    case TextId::kFolderIsFile:
      return "Der angegebene Ordner ist eine Datei.\n\nBitte w\xE4hlen Sie einen anderen Ordner.";
    case TextId::kDamagedHeader:
      return "Das Paket ist besch\xE4""digt oder wurde ver\xE4ndert (im Kopf).\n\nEs wurde keine Datei gespeichert.";
    case TextId::kDamagedChunk:
      return "Das Paket ist besch\xE4""digt oder wurde ver\xE4ndert (bei Block %i).\n\nEs wurde keine Datei gespeichert.";
    case TextId::kEndsEarly:
      return "Das Paket endet vorzeitig: es ist unvollst\xE4ndig.\n\nEs wurde keine Datei gespeichert.";
    case TextId::kKdfTooCostly:
      return "Zur Pr\xFC""fung des Passworts verlangt das Paket mehr Speicher oder Zeit, als erlaubt ist.";
    case TextId::kMemoryAreaFull:
      return "Der Speicher ist zu voll f\xFCr die entschl\xFCsselten Dateien: die Entschl\xFCsselung beginnt noch einmal auf "
     "der Festplatte.";
    case TextId::kPasswordNotHeld:
      return "Das Passwort enth\xE4lt Zeichen, die kein Passwort dieses Pakets enthalten kann (%s).\n\nBitte geben Sie es "
     "erneut ein.";
    case TextId::kMemoryShort:
      return "F\xFCr die entschl\xFCsselten Dateien ist zu wenig Speicher frei: die Entschl\xFCsselung erfolgt auf der "
             "Festplatte.";
    case TextId::kWriteFailed:
      return "Fehler beim Schreiben der Daten in die Datei!!!";
    case TextId::kNoLayout:
      return "Diese Datei ist eine selbstentschl\xFCsselnde Datei. Sie enth\xE4lt verschl\xFCsselte und komprimierte Daten.";
    case TextId::kMore:
      return "-- weiter (Eingabe oder Leertaste; q: Rest \xFC" "berspringen) --";
    case TextId::kAccept:
      return "Akzeptieren Sie diese Bedingungen?";
    case TextId::kNotAccepted:
      return "Die Bedingungen wurden nicht akzeptiert; nichts wurde entschl\xFCsselt.";
    case TextId::kYesNo:
      return " [j/N] ";
    case TextId::kPassword:
      return "Passwort: ";
    case TextId::kPasswordNotText:
      return "Dieses Passwort kam als Bytes an, die kein UTF-8-Text sind (ist das Terminal auf UTF-8 eingestellt?). Bitte "
    "versuchen Sie es erneut.";
    case TextId::kStopped:
      return "Die Entschl\xFCsselung wurde beendet: Das Programm wurde zum Beenden "
                                      "aufgefordert (%s).";
    case TextId::kTimeLeft:
      return "noch %s";
    case TextId::kFiles:
      return "Im selbstentschl\xFCsselnden Paket enthaltene Dateien:";
    case TextId::kSaveFiles:
      return "Dateien speichern in [%s]: ";
    case TextId::kNothingSaved:
      return "Es wurde nichts gespeichert.";
    case TextId::kNothingMoreSaved:
      return "Es wurden keine weiteren Dateien gespeichert.";
    case TextId::kTildeUser:
      return "Nur \"~\" und \"~/\" stehen hier f\xFCr Ihren Benutzerordner. F\xFCr einen Ordner, dessen Name mit \"~\" "
    "beginnt, schreiben Sie \"./%s\".";
    case TextId::kNoHome:
      return "Es gibt keinen Benutzerordner f\xFCr \"~\" (HOME ist nicht gesetzt).";
    case TextId::kControlCharacters:
      return "Der Pfad enth\xE4lt Steuerzeichen (als ^X gezeigt): %s. Bitte geben Sie ihn erneut ein.";
    case TextId::kReplaced:
      return "Diese Dateien darin werden ersetzt (%i):";
    case TextId::kNoneReplaced:
      return "Keine der darin enthaltenen Dateien hat den Namen einer Datei des Pakets.";
    case TextId::kAndMore:
      return "  ... und %i weitere";
    case TextId::kNotSaved:
      return "Nicht gespeichert (%i von %i Dateien):";
    case TextId::kSavedCount:
      return "Gespeichert: %i von %i Dateien, in \"%s\".";
    case TextId::kCause:
      return "Ursache: %s.";
    case TextId::kCauseNotAFolder:
      return "Ursache: \"%s\" ist eine Datei, wo ein Ordner n\xF6tig ist.";
    case TextId::kCauseIsFolder:
      return "Ursache: \"%s\" ist ein Ordner.";
    case TextId::kCauseReadOnlyFile:
      return "Ursache: Die Datei \"%s\" ist schreibgesch\xFCtzt.";
    case TextId::kCauseNoPermission:
      return "Ursache: Sie d\xFCrfen nicht in den Ordner \"%s\" schreiben (keine Berechtigung).";
    case TextId::kCauseReadOnlyDevice:
      return "Ursache: Der Ordner \"%s\" liegt auf einem schreibgesch\xFCtzten Dateisystem.";
    case TextId::kCauseNoSpace:
      return "Ursache: Das Dateisystem mit \"%s\" hat zu wenig freien Platz (%s frei).";
    case TextId::kTempFolder:
      return "Der tempor\xE4re Ordner ist \"%s\" (TMPDIR w\xE4hlt einen anderen).";
    case TextId::kFailedEntry:
      return "Der Fehler trat beim Eintrag \"%s\" auf.";
    case TextId::kMessage:
      return "Entschl\xFCsselter E-Mail-Text:";
    case TextId::kAttachments:
      return "Anlagen: %s";
    case TextId::kSaveAttachments:
      return "Anlagen speichern in [%s] (Strg-D: nicht speichern): ";
    case TextId::kAttachmentsNotSaved:
      return "Die Anlagen wurden nicht gespeichert.";
    case TextId::kSaveTextQuestion:
      return "E-Mail-Text in einer Datei speichern?";
    case TextId::kSaveText:
      return "Text speichern in [%s]: ";
    case TextId::kReplaceFile:
      return "Die Datei \"%s\" existiert bereits. Ersetzen?";
    case TextId::kTextNotSaved:
      return "Der E-Mail-Text wurde nicht gespeichert.";
    case TextId::kNoTerminal:
      return "Dieses Paket stellt seine Fragen im Terminal, und Standardein- oder -ausgabe ist keines.\n"
    "Entschl\xFCsseln Sie es stattdessen mit dem Befehl decrypt; -pwdfile=- liest das Passwort aus der ersten\n"
    "Zeile der Standardeingabe (-pwdfile=DATEI: aus einer Datei):\n"
    "  %1$s decrypt -pwdfile=- -targetdir=ORDNER [-messagefile=DATEI]\n"
    "  %1$s --list -pwdfile=-      (listet die Eintr\xE4ge, entschl\xFCsselt nichts auf die Platte)\n"
    "-pwd=PASSWORT geht auch, zeigt das Passwort aber anderen Benutzern in der Prozessliste\n"
    "und l\xE4sst es im Verlauf der Shell. Mehr: %1$s --help\n";
    case TextId::kHelp:
      return "Aufruf: %1$s [--list [-pwdfile=DATEI] | --help]\n"
    "        %1$s decrypt -pwdfile=DATEI -targetdir=ORDNER [-messagefile=DATEI] [-replace] [-debug]\n"
    "\n"
    "Entschl\xFCsselt das Paket, das dieses Programm tr\xE4gt. Ohne Argumente fragt es im\n"
    "Terminal: nach dem Passwort, dann wohin die Dateien sollen, oder es zeigt die Nachricht.\n"
    "\n"
    "  --list      fragt nach dem Passwort und listet jeden Eintrag des Pakets (Art,\n"
    "              Gr\xF6\xDF" "e, Zeit der letzten \xC4nderung, Pfad); entschl\xFCsselt nichts auf die Platte\n"
    "  -h, --help  zeigt diesen Text\n"
    "  decrypt     entschl\xFCsselt ohne Fragen. Das Passwort ist die erste Zeile von\n"
    "              DATEI (\"-\": Standardeingabe); -pwd=PASSWORT geht auch, zeigt das\n"
    "              Passwort aber in der Prozessliste und im Verlauf der Shell.\n"
    "              -targetdir darf nicht existieren, au\xDF" "er mit -replace.\n"
    "\n"
    "Exit-Status: 0 Erfolg; 1 kein Paket; 2 kein Terminal f\xFCr die Fragen;\n"
    "30 und 32 falsche Argumente; 40 Bedingungen nicht akzeptiert oder kein Passwort;\n"
    "235 der Zielordner existiert; 80 die Nachrichtendatei existiert; 711 falsches\n"
    "Passwort (die Shell zeigt 199); andere sind Fehler beim Entschl\xFCsseln oder Kopieren.\n";
    case TextId::kListNeedsPassword:
      return "--list fragt im Terminal nach dem Passwort; ohne Terminal geben Sie -pwdfile=DATEI an (\"-\": "
    "Standardeingabe).\n";
    case TextId::kListSummary:
      return "%i Datei(en), %i Ordner; E-Mail-Text: %s";
    case TextId::kListMessage:
      return "ja (%i Zeichen)";
    case TextId::kListNoMessage:
      return "keiner";
    case TextId::kPackerTitle:
      return "Morvalis Packer";
    case TextId::kPackerAddFilesTitle:
      return "Dateien zum Paket hinzuf\xFCgen";
    case TextId::kPackerAddFolderTitle:
      return "Einen Ordner zum Paket hinzuf\xFCgen";
    case TextId::kPackerAllFilesFilter:
      return "Alle Dateien (*.*)";
    case TextId::kPackerTotal:
      return "Gesamt: %s Bytes";
    case TextId::kPackerNamesFit:
      return "Alle Namen k\xF6nnen gepackt werden.";
    case TextId::kPackerKindWindows:
      return "Selbstentpacker f\xFCr Windows (.exe)";
    case TextId::kPackerKindLinux:
      return "Selbstentpacker f\xFCr Linux";
    case TextId::kPackerKindContainer:
      return "Containerdatei (.mef)";
    case TextId::kPackerCompressionBest:
      return "Beste";
    case TextId::kPackerCompressionFast:
      return "Schnell";
    case TextId::kPackerCompressionNone:
      return "Keine (nur speichern)";
    case TextId::kPackerStrengthWeak:
      return "St\xE4rke: schwach (etwa %i Bit)";
    case TextId::kPackerStrengthFair:
      return "St\xE4rke: mittel (etwa %i Bit)";
    case TextId::kPackerStrengthStrong:
      return "St\xE4rke: stark (etwa %i Bit)";
    case TextId::kPackerPasswordMismatch:
      return "Die beiden Passw\xF6rter sind verschieden. Geben Sie in beide Felder dasselbe Passwort ein.";
    case TextId::kPackerPasswordMissing:
      return "Geben Sie ein Passwort f\xFCr das Paket ein.";
    case TextId::kPackerNothingToPack:
      return "F\xFCgen Sie zuerst die Dateien oder Ordner hinzu, die gepackt werden sollen.";
    case TextId::kPackerNamesRefused:
      return "Einige Namen k\xF6nnen nicht gepackt werden (siehe die Liste unten). Entfernen oder benennen Sie sie zuerst um.";
    case TextId::kPackerSaveTitle:
      return "Paket speichern unter";
    case TextId::kPackerProgramsFilter:
      return "Programme (*.exe)";
    case TextId::kPackerContainersFilter:
      return "Containerdateien (*.mef)";
    case TextId::kPackerPacking:
      return "Wird gepackt...";
    case TextId::kPackerDone:
      return "Das Paket ist fertig: %s\n\nTeilen Sie dem Empf\xE4nger das Passwort auf einem anderen Weg als das Paket mit (etwa am Telefon).";
    case TextId::kPackerFailed:
      return "Das Paket wurde nicht erstellt:\n\n%s";
    case TextId::kPackerCancelled:
      return "Das Packen wurde abgebrochen. Es wurde nichts geschrieben.";
    case TextId::kPackerSendToMade:
      return "Dieses Programm steht jetzt im Men\xFC Senden an des Explorers: Dateien ausw\xE4hlen, Rechtsklick, Senden an, Morvalis Packer.";
    case TextId::kPackerSendToFailed:
      return "Die Verkn\xFCpfung konnte im Ordner Senden an nicht erstellt werden (Code %i).";
    case TextId::kPackerSizeBytes:
      return "%s Bytes";
    case TextId::kPackerNameHasNoForm:
      return "ein Name hier enth\xE4lt ein Zeichen ohne Windows-1252-Form";
    case TextId::kPackerProposed:
      return "Vorgeschlagene Passphrase (f\xFCr den Empf\xE4nger notieren): %s";
    case TextId::kPackerCancelButton:
      return "Abbrechen";
    case TextId::kPackerCloseButton:
      return "Schlie\xDF" "en";
    case TextId::kPackerStepItems:
      return "Schritt 1 von 5: was gepackt wird";
    case TextId::kPackerStepKind:
      return "Schritt 2 von 5: die Art des Pakets";
    case TextId::kPackerStepLayout:
      return "Schritt 3 von 5: was der Empf\xE4nger sieht (freiwillig)";
    case TextId::kPackerStepPassword:
      return "Schritt 4 von 5: das Passwort";
    case TextId::kPackerStepPacking:
      return "Schritt 5 von 5: packen";
    case TextId::kPackerStepDone:
      return "Das Paket ist erstellt";
    case TextId::kPackerNextButton:
      return "&Weiter >";
    case TextId::kPackerPackButton:
      return "P&acken...";
    case TextId::kPackerPictureTitle:
      return "Ein Bild f\xFCr das Paket ausw\xE4hlen";
    case TextId::kPackerPicturesFilter:
      return "Bilder (*.bmp)";
    case TextId::kPackerAttachmentsNote:
      return "Mit einem E-Mail-Text werden die Dateien und Ordner seine Anlagen.";
    case TextId::kPackerContainerLayout:
      return "Eine Containerdatei tr\xE4gt nur den E-Mail-Text; der Rest geh\xF6rt zu einem Selbstentpacker.";
    case TextId::kPackerTextHasNoForm:
      return "Ein Text dieses Schritts enth\xE4lt ein Zeichen, das ein Paket nicht aufnehmen kann (es hat keine Windows-1252-Form): %s";
    case TextId::kPackerPictureUnusable:
      return "Das Bild kann nicht gezeigt werden: %s ist keine lesbare BMP-Datei von h\xF6" "chstens 16 MiB.";
    case TextId::kPackerChecking:
      return "Die Namen werden gepr\xFC" "ft...";
    case TextId::kRefusalEmptyName:
      return "ist leer";
    case TextId::kRefusalForbiddenCharacter:
      return "enth\xE4lt ein Zeichen, das Windows in Namen verbietet (\\ : ? < > * | \" oder ein Steuerzeichen)";
    case TextId::kRefusalTrailingDot:
      return "endet auf einen Punkt oder ein Leerzeichen, die Windows wegl\xE4sst";
    case TextId::kRefusalDeviceName:
      return "ist unter Windows ein Ger\xE4tename (CON, PRN, AUX, NUL, COM1-9, LPT1-9, ..., mit jeder Endung)";
    case TextId::kRefusalNoFormUnshown:
      return "hat keine Windows-1252-Form (jedes '?' steht f\xFCr ein fehlendes Zeichen)";
    case TextId::kRefusalNoForm:
      return "hat keine Windows-1252-Form: %s";
    case TextId::kRefusalUnreadable:
      return "kann nicht zum Lesen ge\xF6" "ffnet werden";
    case TextId::kRefusalFileTooLarge:
      return "hat %s Bytes; ein Paket nimmt Dateien von h\xF6" "chstens %s Bytes auf (4 GiB weniger 64 KiB)";
    case TextId::kRefusalUnlisted:
      return "kann nicht aufgelistet werden";
    case TextId::kRefusalLetterCase:
      return "unterscheidet sich von %s nur in Gro\xDF- und Kleinschreibung, die Windows nicht auseinanderh\xE4lt";
    case TextId::kRefusalTotalTooLarge:
      return "die Dateien ergeben mit ihren Eintr\xE4gen %s Bytes; ein Paket nimmt insgesamt h\xF6" "chstens %s Bytes auf (4 GiB weniger ein Byte)";
    case TextId::kRefusalHeading:
      return "nichts wurde geschrieben; diese k\xF6nnen nicht gepackt werden:";
    case TextId::kRefusalSameName:
      return "zwei Eingaben haben den Namen '%s'";
    case TextId::kRefusalMissing:
      return "keine solche Datei und kein solcher Ordner: %s";
    case TextId::kRefusalRoot:
      return "'%s' kann nicht unter einem eigenen Namen gepackt werden; nennen Sie stattdessen einen Ordner darin";
    case TextId::kRefusalNeitherFileNorFolder:
      return "'%s' kann nicht gepackt werden: es ist weder eine Datei noch ein Ordner noch ein Verweis auf eines davon";
    case TextId::kRefusalInputName:
      return "'%s' kann nicht gepackt werden: sein Name %s";
  }
  return nullptr;
}

const char* GermanResultText(ResultId id) {
  switch (id) {
    case ResultId::kOk:
      return "Erfolg";
    case ResultId::kNoPayload:
      return "das Programm tr\xE4gt kein Paket";
    case ResultId::kFailed:
      return "der Vorgang schlug fehl";
    case ResultId::kProgramNotFound:
      return "das zu startende Programm existiert nicht";
    case ResultId::kNoTerminal:
      return "kein Terminal f\xFCr die Fragen";
    case ResultId::kFilterModeRefused:
      return "ein Datenstrom konnte nicht eingerichtet werden";
    case ResultId::kNotOpen:
      return "nicht ge\xF6" "ffnet";
    case ResultId::kBadArgument:
      return "ung\xFCltige Angabe";
    case ResultId::kUnknownSwitch:
      return "unbekannter Schalter";
    case ResultId::kCancelled:
      return "abgebrochen";
    case ResultId::kUnsupported:
      return "nicht unterst\xFCtzt";
    case ResultId::kWrongDirection:
      return "ein Datenstrom wurde falsch verwendet";
    case ResultId::kMessageFileExists:
      return "die Nachrichtendatei existiert";
    case ResultId::kMessageFileInPackage:
      return "die Nachrichtendatei w\xFCrde eine Datei des Pakets ersetzen";
    case ResultId::kOutOfMemory:
      return "nicht genug Arbeitsspeicher";
    case ResultId::kDiskFull:
      return "nicht genug freier Speicherplatz";
    case ResultId::kTempFileNotCreated:
      return "tempor\xE4re Datei kann nicht angelegt werden";
    case ResultId::kFileNotFound:
      return "Datei nicht gefunden";
    case ResultId::kCannotOverwrite:
      return "Datei kann nicht \xFC" "berschrieben werden";
    case ResultId::kCannotOpen:
      return "Datei kann nicht ge\xF6" "ffnet werden";
    case ResultId::kShortWrite:
      return "Datei kann nicht geschrieben werden";
    case ResultId::kShortRead:
      return "die Daten enden vorzeitig";
    case ResultId::kEmptyPath:
      return "leerer Pfad";
    case ResultId::kCannotDeleteFile:
      return "Datei kann nicht gel\xF6scht werden";
    case ResultId::kTargetFileExists:
      return "die Zieldatei existiert";
    case ResultId::kCannotRenameFile:
      return "Datei kann nicht umbenannt werden";
    case ResultId::kOutputExists:
      return "die Datei existiert bereits (--force ersetzt sie)";
    case ResultId::kBadFolder:
      return "kein verwendbarer Ordner";
    case ResultId::kFolderNotFound:
      return "Ordner nicht gefunden";
    case ResultId::kAccessDenied:
      return "Zugriff verweigert";
    case ResultId::kCannotRemoveFolder:
      return "Ordner kann nicht entfernt werden";
    case ResultId::kCannotRenameFolder:
      return "Ordner kann nicht umbenannt werden";
    case ResultId::kFolderNotMade:
      return "Ordner kann nicht angelegt werden";
    case ResultId::kTargetFolderExists:
      return "der Zielordner existiert";
    case ResultId::kUnsafeEntryPath:
      return "ein Eintrag w\xFCrde au\xDF" "erhalb des Zielordners geschrieben";
    case ResultId::kLinkInTarget:
      return "eine symbolische Verkn\xFCpfung steht im Weg (wird nie verfolgt)";
    case ResultId::kPathTooLong:
      return "der Pfad eines Eintrags ist zu lang oder zu tief";
    case ResultId::kNoFreeTempName:
      return "kein freier tempor\xE4rer Name";
    case ResultId::kPayloadOverrun:
      return "die versteckten Daten sind l\xE4nger als angegeben";
    case ResultId::kNotAContainer:
      return "kein Container";
    case ResultId::kNotARecord:
      return "die versteckten Daten sind kein Paket";
    case ResultId::kOldFormat:
      return "ein Container im \xE4lteren Format";
    case ResultId::kStubSigned:
      return "der Stub ist signiert; mit einem unsignierten Stub packen und den Selbstentpacker danach signieren";
    case ResultId::kMalformedRecord:
      return "fehlerhafte Daten";
    case ResultId::kRecordTooLarge:
      return "die Datens\xE4tze des Pakets brauchen mehr Speicher als erlaubt";
    case ResultId::kDecompressionFailed:
      return "die komprimierten Daten sind besch\xE4" "digt";
    case ResultId::kBadCompression:
      return "unbekannte Kompressionseinstellung";
    case ResultId::kCipherFailed:
      return "die verschl\xFCsselten Daten sind besch\xE4" "digt";
    case ResultId::kUnknownCipher:
      return "unbekanntes Verschl\xFCsselungsverfahren";
    case ResultId::kCipherNotSupported:
      return "Verschl\xFCsselungsverfahren nicht unterst\xFCtzt";
    case ResultId::kBadVector:
      return "fehlerhafter Initialisierungsvektor";
    case ResultId::kBadBlockLength:
      return "fehlerhafte Blockl\xE4nge";
    case ResultId::kWrongPassword:
      return "falsches Passwort";
    case ResultId::kWindowTooLarge:
      return "der komprimierte Inhalt verlangt mehr Speicher als erlaubt";
    case ResultId::kNoRandomSource:
      return "der Zufallsgenerator des Systems versagte";
    case ResultId::kPackageDamaged:
      return "das Paket ist besch\xE4" "digt oder wurde ver\xE4ndert";
    case ResultId::kPackageTruncated:
      return "das Paket endet vorzeitig";
    case ResultId::kKdfTooCostly:
      return "die Schl\xFCsselableitung verlangt mehr Speicher oder Zeit als erlaubt";
    case ResultId::kCarrierTooSmall:
      return "der Tr\xE4ger ist zu klein";
    case ResultId::kNoHiddenData:
      return "falsches Passwort, oder nichts im Tr\xE4ger versteckt";
  }
  return nullptr;
}

}  // namespace mv
