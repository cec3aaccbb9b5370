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
    <name>ostrel::TCleaningDialog</name>
    <message>
        <source>フィルター(&amp;F)</source>
        <translation>&amp;Filter</translation>
    </message>
    <message>
        <source>この距離内の静止を除く(&amp;S)</source>
        <translation>Drop fixes &amp;standing within</translation>
    </message>
    <message>
        <source> m</source>
        <translation> m</translation>
    </message>
    <message>
        <source>開始日時(&amp;R)</source>
        <translation>F&amp;rom</translation>
    </message>
    <message>
        <source>終了日時(&amp;T)</source>
        <translation>&amp;To</translation>
    </message>
    <message>
        <source>始点と終点の周りを隠す(&amp;P)</source>
        <translation>Kee&amp;p the start and end private within</translation>
    </message>
    <message>
        <source>この間隔で区切る(&amp;G)</source>
        <translation>Split at &amp;gaps of</translation>
    </message>
    <message>
        <source> 分</source>
        <translation> min</translation>
    </message>
    <message>
        <source>日ごとに別のファイル(&amp;D)</source>
        <translation>One file per &amp;day</translation>
    </message>
    <message>
        <source>単純化の許容距離(&amp;I)</source>
        <translation>S&amp;implify within</translation>
    </message>
    <message>
        <source>速度のみ</source>
        <translation>Speed only</translation>
    </message>
    <message>
        <source>ロバスト（跳びと外れた開始も除く）</source>
        <translation>Robust (also spikes and an outlier start)</translation>
    </message>
    <message>
        <source>トラックのクリーニング</source>
        <translation>Cleaning the track</translation>
    </message>
    <message>
        <source>タイムゾーンの現地時刻</source>
        <translation>Local time in the time zone</translation>
    </message>
    <message>
        <source>閉じる(&amp;C)</source>
        <translation>&amp;Close</translation>
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
    <message>
        <source>クリーニング(&amp;I)...</source>
        <translation>Clean&amp;ing...</translation>
    </message>
    <message>
        <source>時刻付き(&amp;J)</source>
        <translation>Times (&amp;J)</translation>
    </message>
    <message>
        <source>経路の各点に時刻を付けます（KML 2.2 の gx:Track）。Google Earth の時間スライダーで再生できます。</source>
        <translation>A time for every point of the route (gx:Track of KML 2.2), for the time slider of Google Earth.</translation>
    </message>
    <message>
        <source>その他の形式</source>
        <translation>Other formats</translation>
    </message>
    <message>
        <source>写真(&amp;H)...</source>
        <translation>P&amp;hotos...</translation>
    </message>
</context>
<context>
    <name>ostrel::TPhotosDialog</name>
    <message>
        <source>写真の位置</source>
        <translation>Positions for photos</translation>
    </message>
    <message>
        <source>写真を追加(&amp;A)...</source>
        <translation>&amp;Add photos...</translation>
    </message>
    <message>
        <source>フォルダーを追加(&amp;F)...</source>
        <translation>Add &amp;folder...</translation>
    </message>
    <message>
        <source>一覧を空に(&amp;L)</source>
        <translation>C&amp;lear list</translation>
    </message>
    <message>
        <source>カメラ(&amp;C)</source>
        <translation>&amp;Camera</translation>
    </message>
    <message>
        <source>撮影時刻にオフセットがない写真のタイムゾーン</source>
        <translation>The time zone of photos whose time holds no offset</translation>
    </message>
    <message>
        <source>タイムゾーン(&amp;Z)</source>
        <translation>Time &amp;zone</translation>
    </message>
    <message>
        <source>カメラの時計の進み [+|-][時:]分:秒（遅れは -）</source>
        <translation>How far the camera&apos;s clock was ahead, [+|-][H:]MM:SS (behind: -)</translation>
    </message>
    <message>
        <source>時計の進み(&amp;H)</source>
        <translation>Clock a&amp;head by</translation>
    </message>
    <message>
        <source>写した時計の時刻(&amp;S)</source>
        <translation>The clock in the photo &amp;shows</translation>
    </message>
    <message>
        <source>時計の写真から(&amp;K)...</source>
        <translation>From a photo of the cloc&amp;k...</translation>
    </message>
    <message>
        <source>書き込み先(&amp;T)</source>
        <translation>Where &amp;to write</translation>
    </message>
    <message>
        <source>XMP サイドカー(&amp;X)</source>
        <translation>&amp;XMP sidecars</translation>
    </message>
    <message>
        <source>JPEG の Exif(&amp;E)</source>
        <translation>The JPEG&apos;s own &amp;EXIF</translation>
    </message>
    <message>
        <source>RAW ファイルと Exif に空きのない JPEG はサイドカーへ</source>
        <translation>Raw files, and JPEGs without room in their EXIF, get sidecars</translation>
    </message>
    <message>
        <source>既存の位置を置き換える(&amp;R)</source>
        <translation>&amp;Replace positions already there</translation>
    </message>
    <message>
        <source>写真</source>
        <translation>Photo</translation>
    </message>
    <message>
        <source>カメラの時刻</source>
        <translation>Camera time</translation>
    </message>
    <message>
        <source>UTC</source>
        <translation>UTC</translation>
    </message>
    <message>
        <source>緯度</source>
        <translation>Latitude</translation>
    </message>
    <message>
        <source>経度</source>
        <translation>Longitude</translation>
    </message>
    <message>
        <source>結果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>照合(&amp;M)</source>
        <translation>&amp;Match</translation>
    </message>
    <message>
        <source>書き込む(&amp;W)</source>
        <translation>&amp;Write</translation>
    </message>
    <message>
        <source>閉じる(&amp;O)</source>
        <translation>Cl&amp;ose</translation>
    </message>
    <message>
        <source>時計の進み「%1」は [+|-][時:]分:秒 ではありません（例: -1:30）</source>
        <translation>The clock&apos;s correction &apos;%1&apos; is not [+|-][H:]MM:SS (such as -1:30)</translation>
    </message>
    <message>
        <source>ログを読んでいます</source>
        <translation>Reading the logs</translation>
    </message>
    <message>
        <source>写真 %1 / %2</source>
        <translation>Photo %1 of %2</translation>
    </message>
    <message>
        <source>写真 %1 枚、位置あり %2 枚、書き込み予定 %3 枚、エラー %4 枚</source>
        <translation>%1 photos, %2 placed, %3 to be written, %4 errors</translation>
    </message>
    <message>
        <source>写真 %1 枚、位置あり %2 枚、書き込み %3 枚、エラー %4 枚</source>
        <translation>%1 photos, %2 placed, %3 written, %4 errors</translation>
    </message>
    <message>
        <source>写真 %1 枚</source>
        <translation>%1 photos</translation>
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
        <source>全体表示</source>
        <translation>Fit</translation>
    </message>
    <message>
        <source>軌跡の点を指すと、その記録が表示されます。</source>
        <translation>Point at a fix of the track to see its record.</translation>
    </message>
    <message>
        <source>地図なし</source>
        <translation>No map</translation>
    </message>
    <message>
        <source>MBTiles ファイル...</source>
        <translation>MBTiles file...</translation>
    </message>
    <message>
        <source>オンライン地図</source>
        <translation>Online map</translation>
    </message>
    <message>
        <source>地図の出典</source>
        <translation>Map attribution</translation>
    </message>
    <message>
        <source>地図(&amp;M):</source>
        <translation>&amp;Map:</translation>
    </message>
    <message>
        <source>画像を保存(&amp;S)...</source>
        <translation>&amp;Save picture...</translation>
    </message>
    <message>
        <source>数値をコピー(&amp;C)</source>
        <translation>&amp;Copy numbers</translation>
    </message>
    <message>
        <source>距離で表示(&amp;D)</source>
        <translation>By &amp;distance</translation>
    </message>
    <message>
        <source>地図を読めません: %1</source>
        <translation>The map cannot be read: %1</translation>
    </message>
    <message>
        <source>画像を書けません: %1</source>
        <translation>The picture cannot be written: %1</translation>
    </message>
</context>
<context>
    <name>ostrel::TQtDialogs</name>
    <message>
        <source>フォルダーを開く(&amp;F)</source>
        <translation>Open &amp;folder</translation>
    </message>
    <message>
        <source>地図を開く</source>
        <translation>Open a map</translation>
    </message>
    <message>
        <source>MBTiles (*.mbtiles)</source>
        <translation>MBTiles (*.mbtiles)</translation>
    </message>
    <message>
        <source>画像を保存</source>
        <translation>Save the picture</translation>
    </message>
    <message>
        <source>写真</source>
        <translation>Photos</translation>
    </message>
    <message>
        <source>すべてのファイル</source>
        <translation>All files</translation>
    </message>
    <message>
        <source>写真を開く</source>
        <translation>Open photos</translation>
    </message>
    <message>
        <source>写真のフォルダー</source>
        <translation>A folder of photos</translation>
    </message>
    <message>
        <source>時計を写した写真</source>
        <translation>A photo of a clock</translation>
    </message>
</context>
<context>
    <name>ostrel::TTrackView</name>
    <message>
        <source>計算中…</source>
        <translation>Computing…</translation>
    </message>
    <message>
        <source>除外（速すぎ）</source>
        <translation>Dropped (too fast)</translation>
    </message>
    <message>
        <source>除外（時刻の重複）</source>
        <translation>Dropped (repeated time)</translation>
    </message>
    <message>
        <source>除外（跳び）</source>
        <translation>Dropped (spike)</translation>
    </message>
    <message>
        <source>除外（外れた開始）</source>
        <translation>Dropped (outlier start)</translation>
    </message>
    <message>
        <source>除外（静止）</source>
        <translation>Dropped (standing)</translation>
    </message>
    <message>
        <source>除外（時間外）</source>
        <translation>Dropped (outside the time)</translation>
    </message>
    <message>
        <source>除外（プライバシー）</source>
        <translation>Dropped (private)</translation>
    </message>
    <message>
        <source>開始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>End</translation>
    </message>
    <message>
        <source>ポイント</source>
        <translation>Waypoint</translation>
    </message>
    <message>
        <source>写真</source>
        <translation>Photos</translation>
    </message>
</context>
</TS>
