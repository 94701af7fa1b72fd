// Every text the terminal shows besides the string table's, in English and
// German, in the program's code page. The string table's own texts (the
// reports and questions the dialogs show too) come first where both apply;
// these add what only a terminal needs.
#pragma once

namespace mv {

struct Text {
  const char* english;
  const char* german;
};

// The package and its terms.
inline constexpr Text kNoLayoutText = {
    "This file is a self decrypting file. It contains encrypted and compressed data.",
    "Diese Datei ist eine selbstentschl\xFCsselnde Datei. Sie enth\xE4lt verschl\xFCsselte und komprimierte Daten."};
inline constexpr Text kMoreText = {"-- more (Enter or space; q: skip the rest) --",
                                   "-- weiter (Eingabe oder Leertaste; q: Rest \xFC" "berspringen) --"};
inline constexpr Text kAcceptText = {"Do you accept these terms?", "Akzeptieren Sie diese Bedingungen?"};
inline constexpr Text kNotAcceptedText = {"The terms were not accepted; nothing was decrypted.",
                                          "Die Bedingungen wurden nicht akzeptiert; nichts wurde entschl\xFCsselt."};
inline constexpr Text kYesNoText = {" [y/N] ", " [j/N] "};

// The password.
inline constexpr Text kPasswordText = {"Password: ", "Passwort: "};
inline constexpr Text kPasswordNotTextText = {
    "That password arrived as bytes that are no UTF-8 text (is the terminal set to UTF-8?). Please try again.",
    "Dieses Passwort kam als Bytes an, die kein UTF-8-Text sind (ist das Terminal auf UTF-8 eingestellt?). Bitte "
    "versuchen Sie es erneut."};
inline constexpr Text kStoppedText = {"Decryption has been stopped: the program was asked to end (%s).",
                                      "Die Entschl\xFCsselung wurde beendet: Das Programm wurde zum Beenden "
                                      "aufgefordert (%s)."};

// Progress.
inline constexpr Text kTimeLeftText = {"%s left", "noch %s"};

// The files and where they go.
inline constexpr Text kFilesText = {"The self decrypting package contains these files:",
                                    "Im selbstentschl\xFCsselnden Paket enthaltene Dateien:"};
inline constexpr Text kSaveFilesText = {"Save the files to [%s]: ", "Dateien speichern in [%s]: "};
inline constexpr Text kNothingSavedText = {"Nothing was saved.", "Es wurde nichts gespeichert."};
inline constexpr Text kNothingMoreSavedText = {"No more files were saved.",
                                               "Es wurden keine weiteren Dateien gespeichert."};
inline constexpr Text kTildeUserText = {
    "Only \"~\" and \"~/\" stand for your home folder here. For a folder whose name begins with \"~\", write "
    "\"./%s\".",
    "Nur \"~\" und \"~/\" stehen hier f\xFCr Ihren Benutzerordner. F\xFCr einen Ordner, dessen Name mit \"~\" "
    "beginnt, schreiben Sie \"./%s\"."};
inline constexpr Text kNoHomeText = {"There is no home folder to put in place of \"~\" (HOME is not set).",
                                     "Es gibt keinen Benutzerordner f\xFCr \"~\" (HOME ist nicht gesetzt)."};
inline constexpr Text kControlCharactersText = {
    "The path holds control characters (shown as ^X): %s. Please type it again.",
    "Der Pfad enth\xE4lt Steuerzeichen (als ^X gezeigt): %s. Bitte geben Sie ihn erneut ein."};
inline constexpr Text kReplacedText = {"These files in it will be replaced (%i):",
                                       "Diese Dateien darin werden ersetzt (%i):"};
inline constexpr Text kNoneReplacedText = {"None of the files in it has the name of a file of the package.",
                                           "Keine der darin enthaltenen Dateien hat den Namen einer Datei des Pakets."};
inline constexpr Text kAndMoreText = {"  ... and %i more", "  ... und %i weitere"};

// What a failure was about.
inline constexpr Text kNotSavedText = {"Not saved (%i of %i files):", "Nicht gespeichert (%i von %i Dateien):"};
inline constexpr Text kSavedCountText = {"Saved: %i of %i files, in \"%s\".",
                                         "Gespeichert: %i von %i Dateien, in \"%s\"."};
inline constexpr Text kCauseText = {"Cause: %s.", "Ursache: %s."};
inline constexpr Text kCauseNotAFolderText = {"Cause: \"%s\" is a file where a folder is needed.",
                                              "Ursache: \"%s\" ist eine Datei, wo ein Ordner n\xF6tig ist."};
inline constexpr Text kCauseIsFolderText = {"Cause: \"%s\" is a folder.", "Ursache: \"%s\" ist ein Ordner."};
inline constexpr Text kCauseReadOnlyFileText = {"Cause: the file \"%s\" is read-only.",
                                                "Ursache: Die Datei \"%s\" ist schreibgesch\xFCtzt."};
inline constexpr Text kCauseNoPermissionText = {
    "Cause: you may not write into the folder \"%s\" (permission denied).",
    "Ursache: Sie d\xFCrfen nicht in den Ordner \"%s\" schreiben (keine Berechtigung)."};
inline constexpr Text kCauseReadOnlyDeviceText = {
    "Cause: the folder \"%s\" lies on a read-only file system.",
    "Ursache: Der Ordner \"%s\" liegt auf einem schreibgesch\xFCtzten Dateisystem."};
inline constexpr Text kCauseNoSpaceText = {"Cause: the file system holding \"%s\" has too little free space (%s free).",
                                           "Ursache: Das Dateisystem mit \"%s\" hat zu wenig freien Platz (%s frei)."};
inline constexpr Text kTempFolderText = {"The temporary folder is \"%s\" (TMPDIR names another).",
                                         "Der tempor\xE4re Ordner ist \"%s\" (TMPDIR w\xE4hlt einen anderen)."};
inline constexpr Text kFailedEntryText = {"The failure came with the entry \"%s\".",
                                          "Der Fehler trat beim Eintrag \"%s\" auf."};

// The message text.
inline constexpr Text kMessageText = {"Decrypted email text:", "Entschl\xFCsselter E-Mail-Text:"};
inline constexpr Text kAttachmentsText = {"Attachments: %s", "Anlagen: %s"};
inline constexpr Text kSaveAttachmentsText = {"Save the attachments to [%s] (Ctrl-D: do not save): ",
                                              "Anlagen speichern in [%s] (Strg-D: nicht speichern): "};
inline constexpr Text kAttachmentsNotSavedText = {"The attachments were not saved.",
                                                  "Die Anlagen wurden nicht gespeichert."};
inline constexpr Text kSaveTextQuestion = {"Save the email text to a file?", "E-Mail-Text in einer Datei speichern?"};
inline constexpr Text kSaveTextText = {"Save the text to [%s]: ", "Text speichern in [%s]: "};
inline constexpr Text kReplaceFileText = {"The file \"%s\" already exists. Replace it?",
                                          "Die Datei \"%s\" existiert bereits. Ersetzen?"};
inline constexpr Text kTextNotSavedText = {"The email text was not saved.", "Der E-Mail-Text wurde nicht gespeichert."};

// Without a terminal, --help and --list. %s is the program as it was
// started.
inline constexpr Text kNoTerminalText = {
    "This package asks its questions on a terminal, and standard input or output is not one.\n"
    "Decrypt it with the decrypt command instead; -pwdfile=- reads the password from the first line of\n"
    "standard input (-pwdfile=FILE: from a file):\n"
    "  %1$s decrypt -pwdfile=- -targetdir=FOLDER [-messagefile=FILE]\n"
    "  %1$s --list -pwdfile=-      (lists the entries, decrypts nothing to disk)\n"
    "-pwd=PASSWORD works too, but shows the password to other users in the process list\n"
    "and keeps it in the shell's history. More: %1$s --help\n",
    "Dieses Paket stellt seine Fragen im Terminal, und Standardein- oder -ausgabe ist keines.\n"
    "Entschl\xFCsseln Sie es stattdessen mit dem Befehl decrypt; -pwdfile=- liest das Passwort aus der ersten\n"
    "Zeile der Standardeingabe (-pwdfile=DATEI: aus einer Datei):\n"
    "  %1$s decrypt -pwdfile=- -targetdir=ORDNER [-messagefile=DATEI]\n"
    "  %1$s --list -pwdfile=-      (listet die Eintr\xE4ge, entschl\xFCsselt nichts auf die Platte)\n"
    "-pwd=PASSWORT geht auch, zeigt das Passwort aber anderen Benutzern in der Prozessliste\n"
    "und l\xE4sst es im Verlauf der Shell. Mehr: %1$s --help\n"};
inline constexpr Text kHelpText = {
    "Usage: %1$s [--list [-pwdfile=FILE] | --help]\n"
    "       %1$s decrypt -pwdfile=FILE -targetdir=FOLDER [-messagefile=FILE] [-replace] [-debug]\n"
    "\n"
    "Decrypts the package this program carries. Without arguments it asks on the\n"
    "terminal: the password, then where to save the files, or it shows the message.\n"
    "\n"
    "  --list      asks the password and lists every entry of the package (kind,\n"
    "              size, time of the last change, path); decrypts nothing to disk\n"
    "  -h, --help  shows this text\n"
    "  decrypt     decrypts without questions. The password is the first line of\n"
    "              FILE (\"-\": standard input); -pwd=PASSWORD works too, but shows\n"
    "              the password in the process list and the shell's history.\n"
    "              -targetdir must not exist unless -replace is given.\n"
    "\n"
    "Exit status: 0 success; 1 no package; 2 no terminal for the questions;\n"
    "30 and 32 bad arguments; 40 terms not accepted, or no password given;\n"
    "235 the target folder exists; 80 the message file exists; 711 wrong password\n"
    "(the shell shows 199); others are errors of decryption or copying.\n",
    "Aufruf: %1$s [--list [-pwdfile=DATEI] | --help]\n"
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
    "Passwort (die Shell zeigt 199); andere sind Fehler beim Entschl\xFCsseln oder Kopieren.\n"};
inline constexpr Text kListNeedsPasswordText = {
    "--list asks the password on a terminal; without one, give -pwdfile=FILE (\"-\": standard input).\n",
    "--list fragt im Terminal nach dem Passwort; ohne Terminal geben Sie -pwdfile=DATEI an (\"-\": "
    "Standardeingabe).\n"};
inline constexpr Text kListSummaryText = {"%i file(s), %i folder(s); message text: %s",
                                          "%i Datei(en), %i Ordner; E-Mail-Text: %s"};
inline constexpr Text kListMessageText = {"yes (%i characters)", "ja (%i Zeichen)"};
inline constexpr Text kListNoMessageText = {"none", "keiner"};

}  // namespace mv
