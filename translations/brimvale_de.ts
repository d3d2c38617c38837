<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CaptureReachNote</name>
    <message>
        <source>On this desktop Brimvale records copies only while it can see them.</source>
        <translation>Auf dieser Arbeitsoberfläche zeichnet Brimvale Kopien nur auf, während es sie sehen kann.</translation>
    </message>
</context>
<context>
    <name>CategoryPicker</name>
    <message>
        <source>URL</source>
        <translation>URL</translation>
    </message>
    <message>
        <source>CODE</source>
        <translation>CODE</translation>
    </message>
    <message>
        <source>TEXT</source>
        <translation>TEXT</translation>
    </message>
    <message>
        <source>%1 (%2; %3 goes to the next category)</source>
        <translation>%1 (%2; %3 wechselt zur nächsten Kategorie)</translation>
    </message>
    <message>
        <source>Code</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>%1, 1 match</source>
        <translation>%1, 1 Treffer</translation>
    </message>
    <message numerus="yes">
        <source>%1, %n matches</source>
        <translation>
            <numerusform>%1, %n Treffer</numerusform>
            <numerusform>%1, %n Treffer</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CategoryView</name>
    <message>
        <source>No matching items</source>
        <translation>Keine passenden Einträge</translation>
    </message>
    <message>
        <source>Search...</source>
        <translation>Suchen …</translation>
    </message>
    <message>
        <source>Search history</source>
        <translation>Verlauf durchsuchen</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
</context>
<context>
    <name>ClearConfirmation</name>
    <message>
        <source>Clear History</source>
        <translation>Verlauf löschen</translation>
    </message>
    <message>
        <source>Are you sure you want to clear all clipboard history? This action cannot be undone.</source>
        <translation>Möchten Sie wirklich den gesamten Verlauf der Zwischenablage löschen? Dies kann nicht rückgängig gemacht werden.</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Pinned items are kept.</source>
        <translation>Angeheftete Einträge bleiben erhalten.</translation>
    </message>
</context>
<context>
    <name>ClipDelegate</name>
    <message>
        <source>Copy to clipboard</source>
        <translation>In die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Delete item</source>
        <translation>Eintrag löschen</translation>
    </message>
    <message>
        <source>Pin</source>
        <translation>Anheften</translation>
    </message>
    <message>
        <source>Unpin</source>
        <translation>Lösen</translation>
    </message>
</context>
<context>
    <name>ClipListView</name>
    <message>
        <source>Show or hide the full text</source>
        <translation>Den ganzen Text zeigen oder verbergen</translation>
    </message>
</context>
<context>
    <name>ConfirmationCard</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>ContentView</name>
    <message>
        <source>Privacy Mode</source>
        <translation>Privatmodus</translation>
    </message>
    <message>
        <source>Export Items</source>
        <translation>Einträge exportieren</translation>
    </message>
    <message>
        <source>Clear History</source>
        <translation>Verlauf löschen</translation>
    </message>
</context>
<context>
    <name>DataLocation</name>
    <message>
        <source>%1 exists and is not a directory</source>
        <translation>%1 existiert und ist kein Ordner</translation>
    </message>
    <message>
        <source>cannot create the directory %1</source>
        <translation>der Ordner %1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>cannot make the directory %1 private</source>
        <translation>der Ordner %1 kann nicht privat gemacht werden</translation>
    </message>
</context>
<context>
    <name>FileSaveDialog</name>
    <message>
        <source>Text files (*.txt)</source>
        <translation>Textdateien (*.txt)</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>%1 files (*.%2)</source>
        <translation>%1-Dateien (*.%2)</translation>
    </message>
</context>
<context>
    <name>HistoryExport</name>
    <message>
        <source>%1 is a symbolic link to a file that is not your own</source>
        <translation>%1 ist ein symbolischer Link auf eine Datei, die nicht Ihre eigene ist</translation>
    </message>
</context>
<context>
    <name>InstanceClient</name>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 gave no answer</source>
        <translation>%1 hat nicht geantwortet</translation>
    </message>
    <message>
        <source>%1 is held by another user (uid %2); nothing was sent to it</source>
        <translation>%1 gehört einem anderen Benutzer (UID %2); es wurde nichts dorthin gesendet</translation>
    </message>
</context>
<context>
    <name>InstanceLock</name>
    <message>
        <source>Brimvale is already running (process %1)</source>
        <translation>Brimvale läuft bereits (Prozess %1)</translation>
    </message>
    <message>
        <source>it is a symbolic link, which Brimvale does not follow</source>
        <translation>sie ist ein symbolischer Link, dem Brimvale nicht folgt</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>sie ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>it belongs to another user and cannot be removed: %1</source>
        <translation>sie gehört einem anderen Benutzer und kann nicht entfernt werden: %1</translation>
    </message>
    <message>
        <source>Brimvale is already running</source>
        <translation>Brimvale läuft bereits</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>it keeps being replaced</source>
        <translation>sie wird immer wieder ersetzt</translation>
    </message>
    <message>
        <source>cannot use the lock file %1: %2</source>
        <translation>die Sperrdatei %1 kann nicht verwendet werden: %2</translation>
    </message>
</context>
<context>
    <name>InstanceServer</name>
    <message>
        <source>cannot listen on %1 for later starts: %2</source>
        <translation>auf %1 kann nicht auf spätere Starts gewartet werden: %2</translation>
    </message>
    <message>
        <source>%1; later starts reach Brimvale at %2 instead</source>
        <translation>%1; spätere Starts erreichen Brimvale stattdessen über %2</translation>
    </message>
    <message>
        <source>%1 is not a socket and is left as it is</source>
        <translation>%1 ist kein Socket und bleibt, wie es ist</translation>
    </message>
    <message>
        <source>cannot connect to the session bus: %1</source>
        <translation>keine Verbindung zum Sitzungsbus: %1</translation>
    </message>
    <message>
        <source>cannot register %1 on the session bus</source>
        <translation>%1 kann nicht am Sitzungsbus angemeldet werden</translation>
    </message>
    <message>
        <source>cannot own the name %1 on the session bus: %2</source>
        <translation>der Name %1 kann am Sitzungsbus nicht belegt werden: %2</translation>
    </message>
    <message>
        <source>No item has the id %1</source>
        <translation>Kein Eintrag hat die Nummer %1</translation>
    </message>
</context>
<context>
    <name>AppShell</name>
    <message>
        <source>Brimvale will start when you log in. The switch below turns that off.</source>
        <translation>Brimvale startet künftig beim Anmelden. Der Schalter unten stellt das ab.</translation>
    </message>
    <message>
        <source>Closing this window leaves Brimvale recording. Open it again from the application menu or with &quot;brimvale --toggle&quot;.</source>
        <translation>Auch wenn dieses Fenster geschlossen ist, zeichnet Brimvale weiter auf. Öffnen Sie es wieder über das Anwendungsmenü oder mit „brimvale --toggle“.</translation>
    </message>
</context>
<context>
    <name>PanelWindow</name>
    <message>
        <source>Show in Dock</source>
        <translation>Im Dock anzeigen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Brimvale</source>
        <translation>Brimvale</translation>
    </message>
    <message>
        <source>Quit Brimvale?</source>
        <translation>Brimvale beenden?</translation>
    </message>
    <message>
        <source>Recording stops.</source>
        <translation>Die Aufzeichnung endet.</translation>
    </message>
</context>
<context>
    <name>RecordSelectionRow</name>
    <message>
        <source>Record Selected Text</source>
        <translation>Markierten Text aufzeichnen</translation>
    </message>
    <message>
        <source>Selected text cannot be read on this desktop.</source>
        <translation>Markierter Text kann auf diesem Desktop nicht gelesen werden.</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Brimvale is not running</source>
        <translation>Brimvale läuft nicht</translation>
    </message>
    <message>
        <source>Brimvale is already running (process %1), but it does not answer: %2</source>
        <translation>Brimvale läuft bereits (Prozess %1), antwortet aber nicht: %2</translation>
    </message>
    <message>
        <source>Brimvale is already running, but it does not answer: %1</source>
        <translation>Brimvale läuft bereits, antwortet aber nicht: %1</translation>
    </message>
    <message>
        <source>no lock file can be used; Brimvale runs without one</source>
        <translation>keine Sperrdatei ist verwendbar; Brimvale läuft ohne</translation>
    </message>
    <message>
        <source>Brimvale is already running (process %1) with the history in %2, but this start cannot reach it: it was started with another XDG_RUNTIME_DIR</source>
        <translation>Brimvale läuft bereits (Prozess %1) mit dem Verlauf in %2, ist aber von diesem Start aus nicht erreichbar: Es wurde mit einem anderen XDG_RUNTIME_DIR gestartet</translation>
    </message>
    <message>
        <source>Brimvale is already running with the history in %1, but this start cannot reach it: it was started with another XDG_RUNTIME_DIR</source>
        <translation>Brimvale läuft bereits mit dem Verlauf in %1, ist aber von diesem Start aus nicht erreichbar: Es wurde mit einem anderen XDG_RUNTIME_DIR gestartet</translation>
    </message>
    <message>
        <source>No item has the id %1</source>
        <translation>Kein Eintrag hat die Nummer %1</translation>
    </message>
</context>
<context>
    <name>SqliteDatabase</name>
    <message>
        <source>cannot move %1 aside: %2</source>
        <translation>%1 kann nicht beiseitegelegt werden: %2</translation>
    </message>
    <message>
        <source>it is a symbolic link to %1, which does not exist; the link is left as it is</source>
        <translation>sie ist ein symbolischer Link auf %1, das nicht existiert; der Link bleibt, wie er ist</translation>
    </message>
    <message>
        <source>it is a symbolic link to %1, which is not a file; the link is left as it is</source>
        <translation>sie ist ein symbolischer Link auf %1, das keine Datei ist; der Link bleibt, wie er ist</translation>
    </message>
    <message>
        <source>it is a symbolic link to %1, which is not an SQLite database; the link and its target are left as they are</source>
        <translation>sie ist ein symbolischer Link auf %1, das keine SQLite-Datenbank ist; der Link und sein Ziel bleiben, wie sie sind</translation>
    </message>
    <message>
        <source>%1 is a symbolic link to %2, which cannot be read; the link and its target are left as they are</source>
        <translation>%1 ist ein symbolischer Link auf %2, das nicht gelesen werden kann; der Link und sein Ziel bleiben, wie sie sind</translation>
    </message>
</context>
<context>
    <name>SqliteHistoryStore</name>
    <message>
        <source>an integer</source>
        <translation>eine Ganzzahl</translation>
    </message>
    <message>
        <source>a real number</source>
        <translation>eine Gleitkommazahl</translation>
    </message>
    <message>
        <source>a blob</source>
        <translation>ein Blob</translation>
    </message>
    <message>
        <source>NULL</source>
        <translation>NULL</translation>
    </message>
    <message>
        <source>Reading the history</source>
        <translation>Lesen des Verlaufs</translation>
    </message>
    <message>
        <source>item %1 of &quot;%2&quot; is %3</source>
        <translation>Eintrag %1 von „%2“ ist %3</translation>
    </message>
    <message>
        <source>the file is damaged; it was kept as %1</source>
        <translation>die Datei ist beschädigt; sie wurde als %1 aufbewahrt</translation>
    </message>
    <message>
        <source>Saving a clipboard item</source>
        <translation>Speichern eines Eintrags der Zwischenablage</translation>
    </message>
    <message>
        <source>Removing a clipboard item</source>
        <translation>Entfernen eines Eintrags der Zwischenablage</translation>
    </message>
    <message>
        <source>Pinning a clipboard item</source>
        <translation>Anheften eines Eintrags der Zwischenablage</translation>
    </message>
    <message>
        <source>Unpinning a clipboard item</source>
        <translation>Lösen eines angehefteten Eintrags der Zwischenablage</translation>
    </message>
    <message>
        <source>Clearing the list &quot;%1&quot;</source>
        <translation>Leeren der Liste „%1“</translation>
    </message>
    <message>
        <source>Saving the list &quot;%1&quot;</source>
        <translation>Speichern der Liste „%1“</translation>
    </message>
    <message>
        <source>Removing other lists</source>
        <translation>Entfernen anderer Listen</translation>
    </message>
    <message>
        <source>Setting the history aside</source>
        <translation>Beiseitelegen des Verlaufs</translation>
    </message>
    <message>
        <source>table %1 in %2</source>
        <translation>Tabelle %1 in %2</translation>
    </message>
</context>
<context>
    <name>SqlitePreferences</name>
    <message>
        <source>Saving &quot;%1&quot;</source>
        <translation>Speichern von „%1“</translation>
    </message>
    <message>
        <source>the stored preferences are unreadable (%1); they were kept as table %2 in %3 and the preferences start from their defaults</source>
        <translation>die gespeicherten Einstellungen sind nicht lesbar (%1); sie wurden als Tabelle %2 in %3 aufbewahrt, und die Einstellungen beginnen mit ihren Vorgaben</translation>
    </message>
    <message>
        <source>the stored preferences are unreadable (%1) and could not be set aside (%2); they are left untouched and choices are kept in memory</source>
        <translation>die gespeicherten Einstellungen sind nicht lesbar (%1) und konnten nicht beiseitegelegt werden (%2); sie bleiben unberührt, und Einstellungen werden im Speicher gehalten</translation>
    </message>
    <message>
        <source>could not save the preferences (%1); they hold for this session and saving is tried again</source>
        <translation>die Einstellungen konnten nicht gespeichert werden (%1); sie gelten für diese Sitzung, und das Speichern wird erneut versucht</translation>
    </message>
    <message>
        <source>the preferences are saved again</source>
        <translation>die Einstellungen werden wieder gespeichert</translation>
    </message>
</context>
<context>
    <name>StoreTroubles</name>
    <message>
        <source>the clipboard history and the preferences are saved again</source>
        <translation>der Verlauf der Zwischenablage und die Einstellungen werden wieder gespeichert</translation>
    </message>
</context>
<context>
    <name>SqliteStoreFile</name>
    <message>
        <source>Cannot open %1: it was closed while opening</source>
        <translation>%1 kann nicht geöffnet werden: es wurde beim Öffnen geschlossen</translation>
    </message>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>%1 kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>%1 failed: %2</source>
        <translation>%1 fehlgeschlagen: %2</translation>
    </message>
    <message>
        <source>%1 could not be read; it was kept as %2 and a new file started</source>
        <translation>%1 konnte nicht gelesen werden; die Datei wurde als %2 aufbewahrt und eine neue begonnen</translation>
    </message>
    <message>
        <source>%1 is read-only</source>
        <translation>%1 ist schreibgeschützt</translation>
    </message>
    <message>
        <source>the folder of %1 is read-only</source>
        <translation>der Ordner von %1 ist schreibgeschützt</translation>
    </message>
    <message>
        <source>%1 refuses writing</source>
        <translation>%1 verweigert das Schreiben</translation>
    </message>
    <message>
        <source>%1 could not be written, which stops all saving; it is yours, so it was made writable again</source>
        <translation>%1 war nicht beschreibbar, wodurch nichts mehr gespeichert wurde; die Datei gehört Ihnen und wurde wieder beschreibbar gemacht</translation>
    </message>
    <message>
        <source>%1 belongs to another user and cannot be written; remove it, or make it yours, and Brimvale saves again</source>
        <translation>%1 gehört einem anderen Benutzer und kann nicht beschrieben werden; entfernen Sie die Datei oder übernehmen Sie sie, dann speichert Brimvale wieder</translation>
    </message>
</context>
<context>
    <name>SqliteTables</name>
    <message>
        <source>%1 is a %2, not a table</source>
        <translation>%1 ist ein(e) %2, keine Tabelle</translation>
    </message>
    <message>
        <source>the table %1 has no column %2</source>
        <translation>die Tabelle %1 hat keine Spalte %2</translation>
    </message>
    <message>
        <source>the column %2 of the table %1 is not its primary key</source>
        <translation>die Spalte %2 der Tabelle %1 ist nicht ihr Primärschlüssel</translation>
    </message>
    <message>
        <source>the column %2 of the table %1 is not an INTEGER</source>
        <translation>die Spalte %2 der Tabelle %1 ist kein INTEGER</translation>
    </message>
</context>
<context>
    <name>StartAtLoginRow</name>
    <message>
        <source>Start at Login</source>
        <translation>Beim Anmelden starten</translation>
    </message>
</context>
<context>
    <name>StatusIcon</name>
    <message>
        <source>Brimvale — 1 item</source>
        <translation>Brimvale — 1 Eintrag</translation>
    </message>
    <message>
        <source>Brimvale — %1 items</source>
        <translation>Brimvale — %1 Einträge</translation>
    </message>
    <message>
        <source>%1 · Privacy Mode on</source>
        <translation>%1 · Privatmodus an</translation>
    </message>
</context>
<context>
    <name>TrayMenu</name>
    <message>
        <source>Privacy Mode</source>
        <translation>Privatmodus</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Hide Brimvale</source>
        <translation>Brimvale verbergen</translation>
    </message>
    <message>
        <source>Show Brimvale</source>
        <translation>Brimvale zeigen</translation>
    </message>
</context>
<context>
    <name>SystemClipboard</name>
    <message>
        <source>selected text is not recorded: %1</source>
        <translation>markierter Text wird nicht aufgezeichnet: %1</translation>
    </message>
</context>
<context>
    <name>XdgAutostartEntry</name>
    <message>
        <source>cannot remove %1</source>
        <translation>%1 kann nicht entfernt werden</translation>
    </message>
    <message>
        <source>cannot create the folder %1</source>
        <translation>der Ordner %1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>%1 is a symbolic link to %2, which is not a file; the entry is not written and the link is left as it is</source>
        <translation>%1 ist ein symbolischer Link auf %2, das keine Datei ist; der Eintrag wird nicht geschrieben und der Link bleibt, wie er ist</translation>
    </message>
    <message>
        <source>%1 is a symbolic link to %2, which is not yours; the entry is not written and the link is left as it is</source>
        <translation>%1 ist ein symbolischer Link auf %2, das nicht Ihnen gehört; der Eintrag wird nicht geschrieben und der Link bleibt, wie er ist</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Keeps a history of the texts you copy.</source>
        <translation>Führt einen Verlauf der Texte, die Sie kopieren.</translation>
    </message>
    <message>
        <source>Open the panel at launch.</source>
        <translation>Das Fenster beim Start öffnen.</translation>
    </message>
    <message>
        <source>Show the running Brimvale&apos;s panel, or hide it when it is shown; with none running, start with the panel open.</source>
        <translation>Das Fenster des laufenden Brimvale zeigen oder, wenn es gezeigt wird, verbergen; läuft keines, mit geöffnetem Fenster starten.</translation>
    </message>
    <message>
        <source>End the running Brimvale.</source>
        <translation>Das laufende Brimvale beenden.</translation>
    </message>
    <message>
        <source>Start without opening the panel, even without a system tray; do nothing when Brimvale runs already.</source>
        <translation>Starten, ohne das Fenster zu öffnen, auch ohne Systemleiste; nichts tun, wenn Brimvale schon läuft.</translation>
    </message>
    <message>
        <source>Brimvale is not running, and it cannot start here: no display is available (DISPLAY and WAYLAND_DISPLAY are not set).</source>
        <translation>Brimvale läuft nicht und kann hier nicht starten: Es ist keine Anzeige verfügbar (DISPLAY und WAYLAND_DISPLAY sind nicht gesetzt).</translation>
    </message>
    <message>
        <source>Print the history, newest first, one item a line: its id, a tab, and the item as its row shows it. A category (url, code, text or all) after it prints only that list.</source>
        <translation>Den Verlauf ausgeben, den neuesten Eintrag zuerst, einen je Zeile: seine Nummer, einen Tabulator und den Eintrag, wie seine Zeile ihn zeigt. Eine Kategorie (url, code, text oder all) danach gibt nur diese Liste aus.</translation>
    </message>
    <message>
        <source>With --list, print each whole item, ended by a NUL character, instead of its row.</source>
        <translation>Mit --list jeden Eintrag ganz ausgeben, mit einem NUL-Zeichen abgeschlossen, statt seiner Zeile.</translation>
    </message>
    <message>
        <source>Print the whole item with the id &lt;id&gt;, as copied.</source>
        <translation>Den ganzen Eintrag mit der Nummer &lt;id&gt; ausgeben, wie er kopiert wurde.</translation>
    </message>
    <message>
        <source>id</source>
        <translation>id</translation>
    </message>
    <message>
        <source>Put the item with the id &lt;id&gt; on the clipboard through the running Brimvale; - reads a line printed by --list from standard input.</source>
        <translation>Den Eintrag mit der Nummer &lt;id&gt; über das laufende Brimvale in die Zwischenablage legen; - liest eine von --list ausgegebene Zeile von der Standardeingabe.</translation>
    </message>
    <message>
        <source>Delete the item with the id &lt;id&gt; (or - as for --copy) from the history.</source>
        <translation>Den Eintrag mit der Nummer &lt;id&gt; (oder - wie bei --copy) aus dem Verlauf löschen.</translation>
    </message>
    <message>
        <source>With --list: url, code, text or all (the default).</source>
        <translation>Mit --list: url, code, text oder all (die Vorgabe).</translation>
    </message>
</context>
<context>
    <name>HistoryCommands</name>
    <message>
        <source>Unknown category &quot;%1&quot;: use url, code, text or all</source>
        <translation>Unbekannte Kategorie „%1“: url, code, text oder all verwenden</translation>
    </message>
    <message>
        <source>Cannot write the list: %1</source>
        <translation>Die Liste kann nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>No item has the id %1</source>
        <translation>Kein Eintrag hat die Nummer %1</translation>
    </message>
    <message>
        <source>No item was chosen: standard input held no line</source>
        <translation>Kein Eintrag wurde gewählt: Die Standardeingabe enthielt keine Zeile</translation>
    </message>
    <message>
        <source>Not an item id: &quot;%1&quot;</source>
        <translation>Keine Nummer eines Eintrags: „%1“</translation>
    </message>
</context>
<context>
    <name>StoreSnapshotReader</name>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>it is not a readable file</source>
        <translation>es ist keine lesbare Datei</translation>
    </message>
    <message>
        <source>it does not exist</source>
        <translation>es existiert nicht</translation>
    </message>
    <message>
        <source>Cannot read %1: its write-ahead log could not be copied to read it</source>
        <translation>%1 kann nicht gelesen werden: Sein Write-Ahead-Log konnte zum Lesen nicht kopiert werden</translation>
    </message>
</context>
</TS>
