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
inline constexpr MazoviaText kMsgRunNotReady{
    u8"Eksport nie może zostać wykonany: nie otwarto tabel programu lub zabrakło pamięci.\nOperacja przerwana."};
inline constexpr MazoviaText kMsgPathTooLong{u8"Ścieżka pliku eksportu jest za długa:\n%s\nOperacja przerwana."};
// Arguments: the document's transaction text and its register identifier
// (and the rate code whose amounts are missing).
inline constexpr MazoviaText kMsgDocumentNoRoom{
    u8"Brak pamięci na dokument %s (%s)!\nDokument nie został wyeksportowany."};
inline constexpr MazoviaText kMsgPositionNoRoom{
    u8"Brak pamięci na pozycję VAT dokumentu %s (%s)!\nKwoty stawki o kodzie %d nie zostały wyeksportowane."};
// Arguments: transaction text, register identifier, the rate code left out.
inline constexpr MazoviaText kMsgTooManyRates{
    u8"Dokument %s (%s) ma więcej niż 10 różnych stawek VAT w jednej grupie!\n"
    u8"Kwoty linii ze stawką o kodzie %d nie zostały wyeksportowane."};

// Progress window.
inline constexpr MazoviaText kProgressInvoices{u8"Dokumenty zakupu"};
inline constexpr MazoviaText kProgressCorrections{u8"Korekty zakupu"};
inline constexpr MazoviaText kProgressFirms{u8"Kontrahenci"};
inline constexpr MazoviaText kProgressPersons{u8"Os. fizyczne"};
inline constexpr MazoviaText kProgressWriting{u8"Wpisywanie danych do pliku..."};

// The period of the options dialog, refused when OK is pressed.  Arguments
// of the last: the two dates, YYYY-MM-DD.
inline constexpr MazoviaText kMsgPeriodFromEmpty{
    u8"Pole \"Od daty\" jest puste!\nPodaj pierwszy dzień okresu eksportu."};
inline constexpr MazoviaText kMsgPeriodToEmpty{
    u8"Pole \"Do daty\" jest puste!\nPodaj ostatni dzień okresu eksportu."};
inline constexpr MazoviaText kMsgPeriodInverted{
    u8"Data w polu \"Od daty\" (%s) jest późniejsza niż data w polu \"Do daty\" (%s)!\n"
    u8"Popraw okres eksportu."};

// Settings file.
inline constexpr char kSettingsFileName[] = "a_mas.cfg";
// The settings are written here first, read back, and only then moved over
// kSettingsFileName, so that a failed save leaves the earlier file whole.
inline constexpr char kSettingsTempFileName[] = "a_mas.cfg.tmp";
inline constexpr MazoviaText kMsgSettingsCannotRead{
    u8"Nie można otworzyć pliku konfiguracynego do odczytu!\nOperacja niekompletna!"};
inline constexpr MazoviaText kMsgSettingsReadError{u8"Błąd podczas czytania konfiguracji!\nOperacja niekompletna!"};
inline constexpr MazoviaText kMsgSettingsCannotWrite{u8"Nie można otworzyć pliku konfiguracji do zapisu!"};
inline constexpr MazoviaText kMsgSettingsWriteError{
    u8"Błąd podczas zapisu konfiguracji!\nUstawienia nie zostały zapamiętane."};

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
