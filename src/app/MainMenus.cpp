#include "app/MainMenus.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>

MainMenus::MainMenus(QMainWindow& window) {
    QMenuBar* bar = window.menuBar();
    auto submenu = [&](QMenu* parent, const QString& name, const QString& caption) {
        QMenu* m = parent != nullptr ? parent->addMenu(caption) : bar->addMenu(caption);
        m->setObjectName(name);
        m->menuAction()->setObjectName(name);  // the item in its parent menu
        items_.insert(name, m->menuAction());
        return m;
    };
    auto separator = [](QMenu* m, const QString& name) { m->addSeparator()->setObjectName(name); };

    QMenu* file = submenu(nullptr, "mn_File", "ﾌｧｲﾙ(&F)");
    add(file, "mn_File_Open", "開く(&O)");
    separator(file, "mn_File_SP1");
    add(file, "mn_File_AutoSave", "自動保存(&A)")->setCheckable(true);
    add(file, "mn_File_Save", "名前を付けて保存(&S)");
    separator(file, "mn_File_SP2");
    add(file, "mn_File_Text", "ﾃｷｽﾄ形式保存(&T)");
    add(file, "mn_File_Pcap", "Wireshark形式で保存(&W)...");
    separator(file, "mn_File_SP3");
    add(file, "mn_File_Print", "印刷(&P)");
    separator(file, "mn_File_SP4");
    add(file, "mn_File_Exit", "Vexloの終了(&X)", "F12");

    QMenu* search = submenu(nullptr, "mn_Search", "検索(&S)");
    add(search, "mn_Search_Search", "文字列検索(&S)", "Ctrl+F");
    add(search, "mn_Search_Up", "上に検索(&U)", "Shift+F3");
    add(search, "mn_Search_Down", "下に検索(&D)", "F3");
    separator(search, "mn_Search_SP1");
    add(search, "mn_Search_Time", "時刻検索(&T)");

    QMenu* view = submenu(nullptr, "mn_View", "表示(&V)");
    const QString modes[] = {"ASCII表示(&A)", "16進表示(&H)", "ｼﾌﾄJIS表示(&J)"};
    for (int i = 0; i < 3; ++i) {
        mn_View_Mode[i] = add(view, QString("mn_View_Mode%1").arg(i), modes[i]);
        mn_View_Mode[i]->setCheckable(true);
    }
    mn_View_Mode[2]->setVisible(false);
    separator(view, "mn_View_SP1");
    idleMenu_ = submenu(view, "mn_View_Idle", "アイドル表示(&I)");
    const QString scales[] = {"なし(&N)", "1s(&S)", "100ms(&H)", "10ms(&T)"};
    for (int i = 0; i < 4; ++i) {
        mn_View_Idle_Scale[i] = add(idleMenu_, QString("mn_View_Idle_Scale%1").arg(i), scales[i]);
        mn_View_Idle_Scale[i]->setCheckable(true);
    }
    mn_View_Idle_Scale[3]->setVisible(false);
    add(view, "mn_View_Time", "タイムスタンプ表示(&T)")->setCheckable(true);
    add(view, "mn_View_Line", "ラインステート表示(&L)")->setCheckable(true);
    add(view, "mn_View_Frames", "フレーム一覧(&F)")->setCheckable(true);
    separator(view, "mn_View_SP2");
    add(view, "mn_View_Jump", "指定行ｼﾞｬﾝﾌﾟ(&J)");
    add(view, "mn_View_SJump", "先頭行へｼﾞｬﾝﾌﾟ(&P)");
    add(view, "mn_View_EJump", "最後尾へｼﾞｬﾝﾌﾟ(&E)");
    separator(view, "mn_View_SP3");
    add(view, "mn_View_Scroll", "スクロール行数(&S)");
    QMenu* font = submenu(view, "mn_View_Font", "文字サイズ(&F)");
    const QString sizes[] = {"大(&L)", "中(&M)", "小(&S)"};
    for (int i = 0; i < 3; ++i) {
        mn_View_Font_Size[i] = add(font, QString("mn_View_Font_Size%1").arg(i), sizes[i]);
        mn_View_Font_Size[i]->setCheckable(true);
    }

    QMenu* run = submenu(nullptr, "mn_Run", "実行(&R)");
    add(run, "mn_Run_Start", "開始(&S)", "F5");
    add(run, "mn_Run_Stop", "停止(&K)", "F8");
    add(run, "mn_Run_Restart", "新規開始(&R)", "Shift+F5");
    separator(run, "mn_Run_SP1");
    add(run, "mn_Run_Back", "バックグランドモニタ(&B)")->setCheckable(true);

    // A command directly on the menu bar.
    QAction* protocol = bar->addAction("通信ﾊﾟﾗﾒｰﾀ(&P)");
    protocol->setObjectName("mn_Tool_Protocol");
    items_.insert("mn_Tool_Protocol", protocol);

    QMenu* tool = submenu(nullptr, "mn_Tool", "ﾂｰﾙ(&T)");
    add(tool, "mn_Tool_Trig", "トリガ機能(&T)");
    add(tool, "mn_Tool_Counter", "タイマー／カウンター機能(&C)")->setVisible(false);
    add(tool, "mn_Tool_Option", "オプション(&O)");
    add(tool, "mn_Tool_Analysis", "応答時間解析(&A)...");
    add(tool, "mn_Tool_ProtoEdit", "プロトコル定義(&D)...");
    add(tool, "mn_Tool_LineSearch", "回線設定の自動検出(&L)...");
    separator(tool, "mn_Tool_SP");
    add(tool, "mn_Tool_Sim", "シミュレータ(&S)");

    QMenu* help = submenu(nullptr, "mn_Help", "ﾍﾙﾌﾟ(&H)");
    add(help, "mn_Help_Mokuji", "目次(&C)")->setVisible(false);
    add(help, "mn_Help_Key", "キーワード(&I)")->setVisible(false);
    QAction* sp = help->addSeparator();
    sp->setObjectName("mn_Help_SP");
    sp->setVisible(false);
    add(help, "mn_Help_Guide", "手引き(&G)", "F1");
    add(help, "mn_Help_Version", "バージョン情報(&A)");
}

QAction* MainMenus::add(QMenu* menu, const QString& name, const QString& caption,
                        const QString& shortcut) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    if (!shortcut.isEmpty()) {
        a->setShortcut(QKeySequence(shortcut));
        a->setShortcutContext(Qt::WindowShortcut);  // in a dialog, its keys are its own
    }
    items_.insert(name, a);
    return a;
}

QAction* MainMenus::item(const QString& name) const {
    QAction* a = items_.value(name);
    Q_ASSERT_X(a != nullptr, "MainMenus::item", qPrintable(name));
    return a;
}
