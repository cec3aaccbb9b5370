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
    <name>ostrel::Core</name>
    <message>
        <source>徒歩(~10km/h)</source>
        <translation>Walk (~10 km/h)</translation>
    </message>
    <message>
        <source>ジョギング(~25km/h)</source>
        <translation>Jog (~25 km/h)</translation>
    </message>
    <message>
        <source>自転車(~70km/h)</source>
        <translation>Bicycle (~70 km/h)</translation>
    </message>
    <message>
        <source>自動車(~150km/h)</source>
        <translation>Car (~150 km/h)</translation>
    </message>
    <message>
        <source>出発点を原点にする（推奨）</source>
        <translation>First fix (recommended)</translation>
    </message>
    <message>
        <source>1系(長崎以外の九州)</source>
        <translation>Zone 1 (Kyushu except Nagasaki)</translation>
    </message>
    <message>
        <source>2系(長崎・対馬・奄美など)</source>
        <translation>Zone 2 (Nagasaki, Tsushima, Amami, ...)</translation>
    </message>
    <message>
        <source>3系(山口・島根・広島)</source>
        <translation>Zone 3 (Yamaguchi, Shimane, Hiroshima)</translation>
    </message>
    <message>
        <source>4系(四国)</source>
        <translation>Zone 4 (Shikoku)</translation>
    </message>
    <message>
        <source>5系(兵庫・鳥取・岡山)</source>
        <translation>Zone 5 (Hyogo, Tottori, Okayama)</translation>
    </message>
    <message>
        <source>6系(兵庫以外の近畿・三重)</source>
        <translation>Zone 6 (Kinki except Hyogo, Mie)</translation>
    </message>
    <message>
        <source>7系(石川・富山・岐阜・愛知)</source>
        <translation>Zone 7 (Ishikawa, Toyama, Gifu, Aichi)</translation>
    </message>
    <message>
        <source>8系(新潟・長野・山梨・静岡)</source>
        <translation>Zone 8 (Niigata, Nagano, Yamanashi, Shizuoka)</translation>
    </message>
    <message>
        <source>9系(関東)</source>
        <translation>Zone 9 (Kanto)</translation>
    </message>
    <message>
        <source>10系(東北)</source>
        <translation>Zone 10 (Tohoku)</translation>
    </message>
    <message>
        <source>11系(北海道西部)</source>
        <translation>Zone 11 (western Hokkaido)</translation>
    </message>
    <message>
        <source>12系(北海道中部)</source>
        <translation>Zone 12 (central Hokkaido)</translation>
    </message>
    <message>
        <source>13系(北海道東部)</source>
        <translation>Zone 13 (eastern Hokkaido)</translation>
    </message>
    <message>
        <source>14系(小笠原)</source>
        <translation>Zone 14 (Ogasawara)</translation>
    </message>
    <message>
        <source>15系(沖縄本島周辺)</source>
        <translation>Zone 15 (Okinawa main island)</translation>
    </message>
    <message>
        <source>16系(宮古・西表)</source>
        <translation>Zone 16 (Miyako, Iriomote)</translation>
    </message>
    <message>
        <source>17系(大東島)</source>
        <translation>Zone 17 (Daito Islands)</translation>
    </message>
    <message>
        <source>18系(沖ノ鳥島)</source>
        <translation>Zone 18 (Okinotorishima)</translation>
    </message>
    <message>
        <source>19系(南鳥島)</source>
        <translation>Zone 19 (Minamitorishima)</translation>
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
