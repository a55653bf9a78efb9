<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en_US">
<context>
    <name>CMainFrame</name>
    <message>
        <source>File(&amp;F)</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>Update(&amp;U)</source>
        <translation>アップデート(&amp;U)</translation>
    </message>
    <message>
        <source>Console(&amp;C)</source>
        <translation>コンソール(&amp;C)</translation>
    </message>
    <message>
        <source>Exit(&amp;X)</source>
        <translation>アプリケーションの終了(&amp;X)</translation>
    </message>
    <message>
        <source>Edit(&amp;E)</source>
        <translation>編集(&amp;E)</translation>
    </message>
    <message>
        <source>Undo(&amp;U)</source>
        <translation>元に戻す(&amp;U)</translation>
    </message>
    <message>
        <source>Cut(&amp;T)</source>
        <translation>切り取り(&amp;T)</translation>
    </message>
    <message>
        <source>Copy(&amp;C)</source>
        <translation>コピー(&amp;C)</translation>
    </message>
    <message>
        <source>Paste(&amp;P)</source>
        <translation>貼り付け(&amp;P)</translation>
    </message>
    <message>
        <source>Help(&amp;H)</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <source>Manual(&amp;M)</source>
        <translation>マニュアル(&amp;M)</translation>
    </message>
    <message>
        <source>About(&amp;A)...</source>
        <translation>バージョン情報(&amp;A)...</translation>
    </message>
</context>
<context>
    <name>CAboutDlg</name>
    <message>
        <source>About</source>
        <translation>バージョン情報</translation>
    </message>
    <message>
        <source>Copyright (C) Corvane. All rights reserved.
Use and copying are subject to the licence terms.</source>
        <translation>Copyright (C) Corvane. All rights reserved.
使用および複製は使用許諾条件に従います。</translation>
    </message>
</context>
<context>
    <name>CWin32PrefHandler</name>
    <message>
        <source>Preference file is broken.
Do you want to initialize it?</source>
        <translation>初期設定ファイルが壊れています。初期化しますか？</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>The system components that the program needs could not be started.</source>
        <translation>プログラムに必要なシステムコンポーネントを起動できませんでした。</translation>
    </message>
    <message>
        <source>Connection Error.
Please make sure of whether Ostra is connected to your computer correctly.</source>
        <translation>接続エラーです。
本体とコンピュータとの接続を確認してください。</translation>
    </message>
    <message>
        <source>Do you want to update Sonvale Data?</source>
        <translation>Sonvale Dataをアップデートしますか？</translation>
    </message>
    <message>
        <source>Data update completed.</source>
        <translation>データアップデートが完了しました。</translation>
    </message>
    <message>
        <source>Can't open operation manual file.</source>
        <translation>マニュアルが開けません。</translation>
    </message>
    <message>
        <source>Preference file is broken.
Do you want to initialize it?</source>
        <translation>初期設定ファイルが壊れています。初期化しますか？</translation>
    </message>
    <message>
        <source>Sonvale Data is invalid.
Please try to update data again.</source>
        <translation>Sonvale Dataが不正でした。
再度データをアップデートしてください。</translation>
    </message>
    <message>
        <source>The answer from Ostra may be for an earlier update.
Please try to update data again.</source>
        <translation>本体からの応答は、以前のアップデートに対するものかもしれません。
再度データをアップデートしてください。</translation>
    </message>
    <message>
        <source>Can't keep the record of Ostra's answers.
There is no private folder for it (%1).
Until this is fixed, answers from Ostra can't be checked against earlier updates, and an update may end without a clear result.
Please make one of these folders usable only by you.</source>
        <translation>本体の応答の記録を保存できません。
記録用の専用フォルダがありません（%1）。
これが直るまで、本体からの応答を以前のアップデートと照合できないため、アップデートの結果がわからないことがあります。
これらのフォルダのいずれかを、ご自身だけが使えるようにしてください。</translation>
    </message>
    <message>
        <source>Can't read the record of Ostra's answers.
%1: %2
Until this is fixed, answers from Ostra can't be checked against earlier updates, and an update may end without a clear result.
Please make the file readable, or remove it.</source>
        <translation>本体の応答の記録を読み込めません。
%1: %2
これが直るまで、本体からの応答を以前のアップデートと照合できないため、アップデートの結果がわからないことがあります。
ファイルを読み込めるようにするか、削除してください。</translation>
    </message>
    <message>
        <source>The record of Ostra's answers is broken.
%1
Until this is fixed, answers from Ostra can't be checked against earlier updates, and an update may end without a clear result.
Please remove the file while no update is running.</source>
        <translation>本体の応答の記録が壊れています。
%1
これが直るまで、本体からの応答を以前のアップデートと照合できないため、アップデートの結果がわからないことがあります。
アップデート中でないときに、このファイルを削除してください。</translation>
    </message>
    <message>
        <source>Can't write the record of Ostra's answers.
%1: %2
Until this is fixed, answers from Ostra can't be checked against earlier updates, and an update may end without a clear result.
Please make sure that its folder can be written and has room.</source>
        <translation>本体の応答の記録を書き込めません。
%1: %2
これが直るまで、本体からの応答を以前のアップデートと照合できないため、アップデートの結果がわからないことがあります。
フォルダに書き込めること、空き容量があることを確認してください。</translation>
    </message>
    <message>
        <source>Can't write Sonvale Data to Flash Memory.</source>
        <translation>Sonvale Dataの書き込みができませんでした。</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>Sonvale Data Manager</source>
        <translation>Sonvale Data Manager</translation>
    </message>
</context>
</TS>
