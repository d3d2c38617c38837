<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
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
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Löschen</translation>
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
    <name>InstanceLock</name>
    <message>
        <source>Brimvale is already running (process %1)</source>
        <translation>Brimvale läuft bereits (Prozess %1)</translation>
    </message>
    <message>
        <source>cannot create the lock file %1</source>
        <translation>die Sperrdatei %1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>cannot lock %1</source>
        <translation>%1 kann nicht gesperrt werden</translation>
    </message>
</context>
<context>
    <name>Larkspan</name>
    <message>
        <source>Brimvale</source>
        <translation>Brimvale</translation>
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
</context>
<context>
    <name>SqliteDatabase</name>
    <message>
        <source>cannot move %1 aside: %2</source>
        <translation>%1 kann nicht beiseitegelegt werden: %2</translation>
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
</context>
</TS>
