<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>QObject</name>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>変換中</source>
        <translation>Converting</translation>
    </message>
</context>
<context>
    <name>ostrel::TForm1</name>
    <message>
        <source>出力: %1</source>
        <translation>Output: %1</translation>
    </message>
    <message>
        <source>Ostrel Log Converter</source>
        <translation>Ostrel Log Converter</translation>
    </message>
    <message>
        <source>座標系</source>
        <translation>Coordinate &amp;system</translation>
    </message>
    <message>
        <source>モード（最大許容速度）</source>
        <translation>&amp;Mode (maximum plausible speed)</translation>
    </message>
    <message>
        <source>任意</source>
        <translation>Cus&amp;tom</translation>
    </message>
    <message>
        <source>km/h</source>
        <translation>km/h</translation>
    </message>
    <message>
        <source>変換先</source>
        <translation>&amp;Output</translation>
    </message>
    <message>
        <source>ポイント（間隔/分）</source>
        <translation>&amp;Waypoints every (min)</translation>
    </message>
    <message>
        <source>ポイントの色</source>
        <translation>&amp;Point colour</translation>
    </message>
    <message>
        <source>不透明度(%)</source>
        <translation>Opacit&amp;y (%)</translation>
    </message>
    <message>
        <source>ログ: %1（%2 行目）</source>
        <translation>Log: %1, line %2</translation>
    </message>
    <message>
        <source>ログ: %1</source>
        <translation>Log: %1</translation>
    </message>
    <message>
        <source>このコンピューター上のファイルではないため、追加できません</source>
        <translation>Not a file on this computer: it cannot be added</translation>
    </message>
    <message>
        <source>（%1 行目）</source>
        <translation> (line %1)</translation>
    </message>
    <message>
        <source>変換していません</source>
        <translation>Not converted</translation>
    </message>
    <message>
        <source>%1 / %2 のログを変換しました</source>
        <translation>Converted %1 of %2 logs</translation>
    </message>
    <message>
        <source>%1 / %2 のログを変換できませんでした</source>
        <translation>%1 of %2 logs could not be converted</translation>
    </message>
    <message>
        <source>&amp;NMEA-0183(GGA, RMC)</source>
        <translation>&amp;NMEA-0183 (GGA, RMC)</translation>
    </message>
    <message>
        <source>Google Earth &amp;KML</source>
        <translation>Google Earth &amp;KML</translation>
    </message>
    <message>
        <source>&amp;GPX 1.1</source>
        <translation>&amp;GPX 1.1</translation>
    </message>
    <message>
        <source>&amp;Add logs ...</source>
        <translation>&amp;Add logs...</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>D&amp;elete all</source>
        <translation>D&amp;elete all</translation>
    </message>
    <message>
        <source>一括変換(&amp;B)</source>
        <translation>&amp;Batch</translation>
    </message>
    <message>
        <source>エラーの後も続ける(&amp;R)</source>
        <translation>Keep going after an e&amp;rror</translation>
    </message>
    <message>
        <source>結果をまとめて表示(&amp;U)</source>
        <translation>One s&amp;ummary box</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>&amp;Convert</translation>
    </message>
    <message>
        <source>Cane&amp;l</source>
        <translation>C&amp;lose</translation>
    </message>
    <message>
        <source>Time&amp;Zone</source>
        <translation>Time &amp;zone</translation>
    </message>
</context>
<context>
    <name>ostrel::TPreviewOpener</name>
    <message>
        <source>プレビュー</source>
        <translation>Preview</translation>
    </message>
</context>
<context>
    <name>ostrel::TPreviewWindow</name>
    <message>
        <source>プレビュー</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>● 緑: 開始&#x3000;■ 黒: 終了&#x3000;● 黄: ポイント
× 赤: 除外（速すぎ）&#x3000;□ 橙: 除外（時刻の重複）</source>
        <translation>● green: start   ■ black: end   ● yellow: waypoint
× red: dropped (too fast)   □ orange: dropped (repeated time)</translation>
    </message>
    <message>
        <source>全体表示</source>
        <translation>Fit</translation>
    </message>
</context>
<context>
    <name>ostrel::TQtDialogs</name>
    <message>
        <source>フォルダーを開く(&amp;F)</source>
        <translation>Open &amp;folder</translation>
    </message>
</context>
<context>
    <name>ostrel::TTrackView</name>
    <message>
        <source>計算中…</source>
        <translation>Computing…</translation>
    </message>
</context>
</TS>
