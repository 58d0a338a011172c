// Every text that the plug-in shows, writes or hands to the host, once.
// Mazovia bytes at compile time (see mazovia_literal.h).
//
// These are the exact texts users have always been shown, odd spellings and
// all ("konfiguracynego", "zakualizowany", "dyskowej-Constructor", "Nie
// zdefiniowane"): keep them byte for byte, do not correct them.
#pragma once

#include "contract/mazovia_literal.h"

// The plug-in's name, as the host's menu shows it.
inline constexpr MazoviaText kPluginName{u8"Eksport Ventalor (txt)"};

// Missing host entry.
inline constexpr MazoviaText kMsgUnknownModule{u8"<nieznany>"};
inline constexpr MazoviaText kMsgMissingEntry{
    u8"W module \x02%s\x01\nbrak wpisu \x02%s\x01\nWywołano z wtyczki \x02%s\x01.\n\n"
    u8"Błąd ten można zignorować lecz dalsza praca\nprogramu w tych warunkach może być niebezpieczna.\n\n"
    u8"Konieczna jest aktualizacja programu!"};
inline constexpr MazoviaText kMsgMissingEntryTitle{u8"POWAŻNY BŁĄD WTYCZKI"};

// Notices of the export run.
inline constexpr MazoviaText kTitleNotice{u8"Uwaga"};
inline constexpr int kNoticeFlags = 1;
inline constexpr MazoviaText kMsgConstructorFailed{u8"Błąd operacji dyskowej-Constructor!\nOperacja niekompletna!"};
inline constexpr MazoviaText kMsgFileNotOpen{u8"Błąd: plik %s nie jest otwarty!"};
inline constexpr MazoviaText kMsgPurchaseKindsUndefined{u8"Nie zdefiniowane rodzaje zakupów?\n\nOperacja przerwana."};
inline constexpr MazoviaText kMsgSummary{
    u8"Ilość wyeksportowanych faktur zakupu: %5ld\nIlość wyeksportowanych korekt zakupu: %5ld\n"};
inline constexpr MazoviaText kMsgConversionFailed{u8"Operacja konwersji nieudana"};
inline constexpr MazoviaText kMsgPathTooLong{u8"Ścieżka pliku eksportu jest za długa:\n%s\nOperacja przerwana."};
// The end of a run that created its file but could not finish it: the
// reason (one of the kReason texts, its own arguments filled in) and the
// path of the export file, which was left as it was before the run.
inline constexpr MazoviaText kMsgExportNotWritten{
    u8"Eksport nie został zapisany: %s.\nPlik %s nie został utworzony ani zmieniony.\nOperacja przerwana."};
inline constexpr MazoviaText kReasonPurchaseKinds{u8"rodzaje zakupów firmy nie są poprawnie zdefiniowane"};
inline constexpr MazoviaText kReasonNoMemory{u8"zabrakło pamięci"};
// Arguments: the document's transaction text and register identifier.
inline constexpr MazoviaText kReasonNoMemoryForPositions{u8"zabrakło pamięci na pozycje VAT dokumentu %s (%s)"};
inline constexpr MazoviaText kReasonConversion{u8"nie udało się przekształcić tekstu do zapisu"};
// Argument: the path written to.
inline constexpr MazoviaText kReasonWrite{u8"zapis do pliku %s nie powiódł się (czy na dysku jest miejsce?)"};
inline constexpr MazoviaText kReasonDocuments{u8"błąd odczytu dokumentów zakupu"};
// Arguments: the document's transaction text and register identifier.
inline constexpr MazoviaText kReasonLines{u8"błąd odczytu linii VAT dokumentu %s (%s)"};
// Argument: the path read back.
inline constexpr MazoviaText kReasonReadBack{u8"nie można odczytać pliku %s, by go sprawdzić"};
// Arguments: the path, the bytes found, the bytes written and the lines
// (each line end may take two bytes on disk).
inline constexpr MazoviaText kReasonIncomplete{
    u8"plik %s ma po zapisie %s bajtów, a zapisano %s bajtów w %s wierszach"};
// Argument: the path read back.
inline constexpr MazoviaText kReasonAltered{u8"plik %s po zapisie nie zawiera dokładnie tego, co zapisano"};
// Argument: the path of the export file.
inline constexpr MazoviaText kReasonReplace{u8"nie można zastąpić pliku %s nowym plikiem"};
inline constexpr MazoviaText kReasonCreate{u8"nie można utworzyć pliku tymczasowego %s"};
inline constexpr MazoviaText kReasonFlush{u8"nie można zapisać pliku %s na dysku"};
inline constexpr MazoviaText kReasonTemporaryTaken{
    u8"pod nazwą pliku tymczasowego %s jest teraz inny plik albo dowiązanie; zostawiono je bez zmian"};
inline constexpr MazoviaText kReasonNoDirectory{u8"program nie podał katalogu danych"};
// Added to the end of a failed run whose temporary file could not be
// removed.  Argument: its path.
inline constexpr MazoviaText kMsgTemporaryLeft{u8"Nie można usunąć pliku tymczasowego %s."};

// Documents whose contractor is not in the file, gathered into one notice
// per run.  Arguments: how many documents, then the first few, one per line.
inline constexpr MazoviaText kMsgContractorsMissing{
    u8"W pliku brak kontrahentów %s dokumentów: ich numery leżą poza zakresem\n"
    u8"od -65999 do 65999 albo nie ma ich w kartotece kontrahentów.\n%s"};
// One document of it: transaction text, register identifier, contractor number.
inline constexpr MazoviaText kCaseContractorMissing{u8"%s (%s), kontrahent %ld"};
// Closes a gathered notice's list when there were more cases than it names.
// Argument: how many more.
inline constexpr MazoviaText kCasesMore{u8"... i %s innych"};

// Progress window.
inline constexpr MazoviaText kProgressInvoices{u8"Dokumenty zakupu"};
inline constexpr MazoviaText kProgressCorrections{u8"Korekty zakupu"};
inline constexpr MazoviaText kProgressFirms{u8"Kontrahenci"};
inline constexpr MazoviaText kProgressPersons{u8"Os. fizyczne"};
inline constexpr MazoviaText kProgressWriting{u8"Wpisywanie danych do pliku..."};

// The period of the options dialog, when OK confirms a kind of document
// without one of its dates: the options are saved as typed, and the command
// ends with this notice instead of the run.
inline constexpr MazoviaText kMsgPeriodFromEmpty{
    u8"Pole \"Od daty\" jest puste!\nEksport nie został wykonany.\n"
    u8"Podaj pierwszy dzień okresu eksportu i uruchom eksport ponownie."};
inline constexpr MazoviaText kMsgPeriodToEmpty{
    u8"Pole \"Do daty\" jest puste!\nEksport nie został wykonany.\n"
    u8"Podaj ostatni dzień okresu eksportu i uruchom eksport ponownie."};

// Settings file (its name: contract/settings_record.h).
inline constexpr MazoviaText kMsgSettingsCannotRead{
    u8"Nie można otworzyć pliku konfiguracynego do odczytu!\nOperacja niekompletna!"};
inline constexpr MazoviaText kMsgSettingsReadError{u8"Błąd podczas czytania konfiguracji!\nOperacja niekompletna!"};
inline constexpr MazoviaText kMsgSettingsCannotWrite{u8"Nie można otworzyć pliku konfiguracji do zapisu!"};
inline constexpr MazoviaText kMsgSettingsWriteError{
    u8"Błąd podczas zapisu konfiguracji!\nUstawienia nie zostały zapamiętane."};
// The same, when the earlier settings could not be written back either.
inline constexpr MazoviaText kMsgSettingsRestoreError{
    u8"Błąd podczas zapisu konfiguracji!\nUstawienia nie zostały zapamiętane,\n"
    u8"a poprzednich nie udało się przywrócić."};

// Registration and notices.
inline constexpr MazoviaText kTitleVersionNotice{u8"STOP!!!"};
inline constexpr MazoviaText kMsgVersionMismatch{
    u8"Moduł \"%s\" i program występują w różnych wersjach!\n\nZostał zakualizowany tylko program albo tylko moduł,\n"
    u8"a nie oba jednocześnie! Aby naprawić tę sytuację\nzainstaluj aktualizację programu wraz z modułem \"%s\".\n\n"
    u8"MODUŁ NIE ZOSTANIE ZAŁADOWANY!!!\n"};
inline constexpr MazoviaText kMsgInstalled{u8"Zainstalowano wtyczkę do programu:\n%s"};
inline constexpr char kIniFileName[] = "EksportFKVentalor.ini";
inline constexpr char kIniSection[] = "EksportFKVentalor";
inline constexpr char kIniKeyAsk[] = "Pytaj";

// A command abandoned because a host entry stays missing: the entry, then
// what became of the export file (a path where one is named) and of the
// memory the command held (the entry HostFree where it was the one missing).
inline constexpr MazoviaText kMsgCommandAbandoned{u8"Polecenie przerwane: brak wpisu %d w programie."};
inline constexpr MazoviaText kMsgAbandonedNoFile{u8"Pliku eksportu nie utworzono."};
inline constexpr MazoviaText kMsgAbandonedFileRemoved{u8"Niepełny plik eksportu usunięto."};
inline constexpr MazoviaText kMsgAbandonedFileLeft{u8"Nie można usunąć niepełnego pliku eksportu:\n%s"};
inline constexpr MazoviaText kMsgAbandonedFileWritten{u8"Plik eksportu zapisano przed przerwaniem:\n%s"};
inline constexpr MazoviaText kMsgAbandonedMemoryReleased{u8"Pamięć zwolniono."};
inline constexpr MazoviaText kMsgAbandonedMemoryKept{u8"Pamięci nie zwolniono: brak wpisu %d w programie."};
