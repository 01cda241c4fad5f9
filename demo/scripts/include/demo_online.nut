// The demo's online room. With a lobby directory in the environment the demo
// signs in, looks for a room and joins the first one it finds, or else opens
// its own for four (after five searches that found nothing: a room whose
// host answers slower than 180 ms is not listed). The host starts a short match ("go" in the room chat)
// once QZ_DEMO_PLAYERS (2 to 4, default 2) players have been in the room for
// five seconds; every player then plays lockstep frames until game frame 600
// (or 3,600 program frames if it cannot get there), reading all battlers'
// pads from the network key buffer and logging their presses. With
// QZ_DEMO_AUTOPLAY=1 a player's pad word is a fixed pattern seeded by its
// account number. The room stays locked from the match on. Offline the
// sign-in never completes and the demo goes on exactly as it would without
// this file.
::gOnline <- {
    step = "init", server = null, ctrl = null, session = null,
    wait = 0, members = 0, stable = 0, matchFrames = 0, host = false, searches = 0,
    players = 2, autoplay = false, seed = 0
};

const kMatchEndFrame = 600;
const kMatchFrameLimit = 3600;

function OnlineSettings() {
    local n = SQ_GetDemoSetting("PLAYERS");
    gOnline.players = (n >= 2 && n <= 4) ? n : 2;
    gOnline.autoplay = SQ_GetDemoSetting("AUTOPLAY") == 1;
}

// A few presses a second: every 15 frames one of the eight low buttons for
// two frames, which one and when set by the account number.
function AutoplayWord() {
    local t = SQ_GetCurTime() + gOnline.seed * 7;
    if (t % 15 >= 2) return 0;
    return 1 << ((gOnline.seed + t / 15) % 8);
}

function OnlineLog(text) {
    DemoLog("online: " + text);
}

function OnlineCreate() {
    local g = gOnline.server;
    if (!g.InitCreateObjForQuickRoom()) return;
    local c = g.GetCreateSessionObj();
    c.SetSessionName("demo room");
    c.MemberMax = 4;
    g.OrderCreateSession();
    gOnline.step = "create";
}

function OnlineSearch() {
    local g = gOnline.server;
    g.InitSearchObj();
    g.GetSearchSessionObj().SetHostArea(255);
    g.OrderSearchSession();
    gOnline.step = "search";
}

function OnlineStartMatch() {
    // The host locks its room for the match (the session's connect lock,
    // which the lobby server mirrors to "invalid_lobby"): searches skip it
    // and joins are refused until the demo ends.
    if (gOnline.host) gOnline.ctrl.SendPlayerRoom(3, 0);
    local own = gOnline.session.GetMySelfSlot();
    gOnline.seed = own != null ? (own.MemberID() % 1000) : 0;
    if (gOnline.seed < 0) gOnline.seed = -gOnline.seed;
    gOnline.ctrl.InitKeyData(0, 3);
    SQ_SetOnline();
    gOnline.matchFrames = 0;
    gOnline.step = "match";
    OnlineLog("match starts with " + gOnline.session.BattlerCount() + " players");
}

function OnlineMatchFrame() {
    SQ_UpdateNetworkWait();
    if (gOnline.autoplay) {
        SQ_UpdateNetKeyBufferWord(AutoplayWord());
    } else {
        SQ_UpdateNetKeyBuffer();
    }
    if (!SQ_IsNetworkWaiting()) {
        for (local b = 0; b < 4; b++) {
            local pressed = SQ_GetPressJustButtonState(b);
            if (pressed != 0) {
                OnlineLog("battler " + b + " pressed " + pressed + " at frame " + SQ_GetCurTime());
            }
        }
    }
    SQ_TimeStep();
    ++gOnline.matchFrames;
    if (SQ_GetCurTime() >= kMatchEndFrame || gOnline.matchFrames >= kMatchFrameLimit ||
            gOnline.ctrl.CheckHostLost()) {
        SQ_SetOffline();
        OnlineLog("match over at frame " + SQ_GetCurTime());
        gOnline.step = "room";
    }
}

function LatestChat() {
    local n = SQ_Networker();
    return n.GetTextChatLogNum() > 0 ? n.GetTextChatLog(0).GetMsg() : "";
}

function StepOnline(frame) {
    local o = gOnline;
    if (o.step == "off") return;
    if (o.step == "init") {
        o.server = SQ_GameServer();
        o.ctrl = SQ_NetworkCtrl();
        o.session = SQ_NetSession();
        o.server.ClearNetworkInitObject();
        o.server.OrderNetworkInit();
        OnlineSettings();
        o.step = "signin";
        return;
    }
    o.ctrl.ManagementNetwork();
    switch (o.step) {
    case "signin":
        if (o.ctrl.SucceedInitNetwork()) {
            OnlineLog("signed in");
            OnlineSearch();
        } else if (o.ctrl.FailedInitNetwork() || ++o.wait > 120) {
            o.step = "off";  // offline: no directory, no network
        }
        break;
    case "search":
        if (o.ctrl.SucceedRoomSearch()) {
            OnlineLog("search listed " + o.server.GetSearchResultNum() + " room(s)");
        } else if (o.ctrl.FailedRoomSearch()) {
            OnlineLog("search failed");
        }
        if (o.ctrl.SucceedRoomSearch() && o.server.GetSearchResultNum() > 0) {
            local r = SQ_NetSearchResult();
            r.BindValue(0);
            OnlineLog("found the room of " + r.GetHostName() + ", joining");
            o.server.InitConnectObj();
            o.server.GetConnectSessionObj().SearchIndex = 0;
            if (o.server.OrderConnectSession() == 0) {
                o.step = "connect";
            } else {
                OnlineCreate();
            }
        } else if (o.ctrl.SucceedRoomSearch() || o.ctrl.FailedRoomSearch()) {
            if (++o.searches < 5) {
                OnlineSearch();
            } else {
                OnlineCreate();
            }
        }
        break;
    case "create":
        if (o.ctrl.SucceedCreateRoom()) {
            o.host = true;
            o.step = "room";
            OnlineLog("hosting a room for 4");
        } else if (o.ctrl.FailedCreateRoom()) {
            OnlineLog("could not open a room");
            o.step = "off";
        }
        break;
    case "connect":
        if (o.ctrl.SucceedConnectRoom()) {
            o.step = "room";
            OnlineLog("joined; " + o.session.BattlerCount() + " players in the room");
        } else if (o.ctrl.FailedConnectRoom()) {
            OnlineLog("join refused, looking again");
            OnlineSearch();
        }
        break;
    case "room":
        local count = o.session.BattlerCount();
        if (count != o.members) {
            o.members = count;
            o.stable = 0;
            OnlineLog(count + " players in the room");
        }
        if (o.host && count >= o.players && ++o.stable == 300 && o.matchFrames == 0) {
            SQ_Networker().SendRoomChat(0, "go");
        }
        if (o.matchFrames == 0 && LatestChat().find(":go") != null) {
            OnlineStartMatch();
        }
        break;
    case "match":
        OnlineMatchFrame();
        break;
    }
}
