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
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>出力: %1</source>
        <translation>Output: %1</translation>
    </message>
    <message>
        <source>Ostrel Log Converter</source>
        <translation>Ostrel Log Converter</translation>
    </message>
    <message>
        <source>Add logs ...</source>
        <translation>Add logs...</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Delete all</source>
        <translation>Delete all</translation>
    </message>
    <message>
        <source>座標系</source>
        <translation>Coordinate system</translation>
    </message>
    <message>
        <source>Convert</source>
        <translation>Convert</translation>
    </message>
    <message>
        <source>モード（最大許容速度）</source>
        <translation>Mode (maximum plausible speed)</translation>
    </message>
    <message>
        <source>任意</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>km/h</source>
        <translation>km/h</translation>
    </message>
    <message>
        <source>Canel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>変換先</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>NMEA-0183(GGA, RMC)</source>
        <translation>NMEA-0183 (GGA, RMC)</translation>
    </message>
    <message>
        <source>GPX 1.1</source>
        <translation>GPX 1.1</translation>
    </message>
    <message>
        <source>Google Earth KML</source>
        <translation>Google Earth KML</translation>
    </message>
    <message>
        <source>TimeZone</source>
        <translation>Time zone</translation>
    </message>
    <message>
        <source>ポイント（間隔/分）</source>
        <translation>Waypoints (min)</translation>
    </message>
    <message>
        <source>ポイントの色</source>
        <translation>Point colour</translation>
    </message>
    <message>
        <source>不透明度(%)</source>
        <translation>Opacity (%)</translation>
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
    <name>ostrel::TTrackView</name>
    <message>
        <source>計算中…</source>
        <translation>Computing…</translation>
    </message>
</context>
</TS>
