// The web Flash player: Ruffle (JavaScript + WebAssembly) in a page of the
// browser engine, in a window of its own that the toolkit keeps over the
// visible part of the Flash control (tkqt::ControlWindow, as the web control
// does: a page inside the main window would make every repaint of the
// console a composition by the graphics library). The mouse goes through
// that window to the control's surface, which hands it to the player as
// messages. Grabs of the control draw the page's picture.
//
// The page, Ruffle's files and the movie reach the engine only through the
// scheme "tablo-flash" served by FlashSchemeHandler: the page itself, the
// plain files of the player's folder and the one movie each player has been
// given (as a copy whose last frame stops it, so that an ended movie holds
// its last frame rather than starting again; a movie no such copy can be
// made of is held there by the page's clock); nothing else, no network. The
// page talks back through console lines "tablo:<what>:<serial>[:<text>]".
//
// Frame count and rate come from the movie itself (SwfHeader.h: its header,
// checked against the frames its tags hold), so TotalFrames answers as soon
// as SetMovie returns; CurrentFrame is the time
// played so far times the frame rate, clamped to the last frame and held
// while stopped: a movie plays its whole length, one that stops itself
// earlier holding its frame meanwhile.
//
// A page's renderer that ends (a crash, a kill) takes nothing down with it:
// the movie that played ends, its picture goes from the output, and the
// page starts again for the next movie.
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>
#include <QQuickWidget>
#include <QQuickWindow>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <map>
#include <unistd.h>

#include "platform/flash/ShockwaveFlash.h"
#include "platform/flash/SwfHeader.h"
#include "platform/web/WebBrowser.h"
#include "toolkit/ControlWindow.h"
#include "toolkit/Forms.h"
#include "toolkit/Graphics.h"
#include "toolkit/QtGlue.h"
#include "toolkit/Log.h"

namespace {

const QByteArray kScheme = "tablo-flash";

// The scheme is made known to the engine before the application object
// exists (the engine reads its schemes once, when it starts); this unit is
// linked wherever a Flash control is, as it makes the control's player.
const bool schemeRegistered = [] {
  DrawViewsInSoftware();
  QWebEngineUrlScheme s(kScheme);
  s.setSyntax(QWebEngineUrlScheme::Syntax::Host);
  s.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
  QWebEngineUrlScheme::registerScheme(s);
  return true;
}();

// The player's folder: $TABLO_RUFFLE_DIR, else ruffle/ beside the program,
// else the one this build was pointed at.
QString playerFolder() {
  auto has = [](const QString& d) { return !d.isEmpty() && QFileInfo(d + "/ruffle.js").isFile(); };
  if (const char* e = std::getenv("TABLO_RUFFLE_DIR"); e && has(QString::fromUtf8(e))) return QString::fromUtf8(e);
  const QString beside = QCoreApplication::applicationDirPath() + "/ruffle";
  if (has(beside)) return beside;
#ifdef TABLO_RUFFLE_DIR
  if (has(QStringLiteral(TABLO_RUFFLE_DIR))) return QStringLiteral(TABLO_RUFFLE_DIR);
#endif
  return {};
}

const char* kPage = R"(<!doctype html>
<html><head><meta charset="utf-8">
<style>html,body{margin:0;width:100%;height:100%;overflow:hidden;background:#000}
#p{position:relative;width:100%;height:100%}
#p ruffle-player{position:absolute;left:0;top:0;display:block;width:100%;height:100%;background:#000}
#t{position:absolute;left:0;top:0;width:1px;height:1px;background:#000}</style>
<script>
// The engine's fetch() does not take this page's own scheme: its requests go
// through XMLHttpRequest, which does.
(function(){
  const real=window.fetch.bind(window);
  window.fetch=function(input,init){
    const url=(input instanceof Request)?input.url:String(input);
    if(!url.startsWith("tablo-flash:")) return real(input,init);
    return new Promise((resolve,reject)=>{
      const x=new XMLHttpRequest();
      x.open("GET",url);
      x.responseType="arraybuffer";
      x.onload=()=>resolve(new Response(x.response,{status:x.status||200,
        headers:{"Content-Type":x.getResponseHeader("Content-Type")||"application/octet-stream"}}));
      x.onerror=()=>reject(new TypeError("Failed to fetch "+url));
      x.send();
    });
  };
})();
// The console has no game pads: the player asks for them at every frame, and
// the first question would start the engine's polling of the pads (a thread
// of the console's own process, many times a second, for good).
Object.defineProperty(Navigator.prototype,"getGamepads",{value:function(){return [];},configurable:true});
window.RufflePlayer={config:{publicPath:"tablo-flash://player/",polyfills:false}};</script>
<script src="tablo-flash://player/ruffle.js"></script></head>
<body><div id="t"></div><div id="p"></div><script>
(function(){
  const say=(w,s,t)=>console.log("tablo:"+w+":"+s+(t===undefined?"":":"+t));
  const box=document.getElementById("p");
  // Every load gets a player of its own: a load asked for while another is
  // under way abandons that one, whose late answers and failures (a player
  // destroyed while it fetches its movie panics) stay with its own player.
  // The player that shows stays on top, on its last frame, until the new
  // one has drawn its first (a reload shows nothing empty between them).
  let cur=null, shown=null, want=false;
  // A player that goes is hidden, and taken out once its load has settled
  // (taken out, a player gives up its instance; one still being built would
  // be left running).
  const drop=p=>{ if(!p) return; p.style.visibility="hidden"; clearTimeout(p.end);
    if(p===shown) shown=null;
    if(p.settled) p.remove(); else p.dropped=true; };
  // A held movie shows its frame, not the player's own play button. The time
  // a player has played (since its first frame, less the time it was held)
  // is counted: a movie that does not hold its last frame by itself (its
  // copy given with a "stop" there could not be made) is held by the page
  // in the middle of its last frame by that count.
  const hold=p=>{ if(p.since){ p.played+=performance.now()-p.since; p.since=0; }
    clearTimeout(p.end); p.ruffle().suspend();
    const b=p.shadowRoot&&p.shadowRoot.getElementById("play-button"); if(b) b.style.display="none"; };
  const atEnd=p=>{ clearTimeout(p.end);
    if(p.holds||!p.since||!p.meta) return;
    const left=(p.meta.numFrames-0.5)*1000/(p.meta.frameRate||12)-p.played-(performance.now()-p.since);
    p.end=setTimeout(()=>{ if(p===cur) want=false; hold(p); },Math.max(0,left)); };
  const run=p=>{ if(!p.since) p.since=performance.now(); p.ruffle().resume(); atEnd(p); };
  function drawn(p){
    if(p!==cur) return;
    if(shown&&shown!==p) drop(shown);
    shown=p;
    say("drawn",p.serial);
    // The next few frames change a mark beneath the players (nobody sees
    // it), so that they reach the console's view even from a held movie:
    // the view holds the movie's frame once it has had them.
    const t=document.getElementById("t");
    const poke=n=>{ t.style.background=n%2?"#010101":"#000"; if(n>0) requestAnimationFrame(()=>poke(n-1)); };
    requestAnimationFrame(()=>poke(3));
    // Held once its first frame is there, unless asked to play meanwhile.
    setTimeout(()=>{ if(p===cur&&!want) hold(p); },50);
  }
  function load(url,s,menu,holds){
    want=false;
    if(cur&&cur!==shown) drop(cur);
    // Nothing shows while the page is hidden: the old picture goes at once.
    if(document.visibilityState!=="visible") drop(shown);
    const p=window.RufflePlayer.newest().createPlayer();
    p.serial=s; p.url=url; p.menu=menu; p.holds=holds; p.played=0; p.since=0;
    // The blank movie (the page started ahead) is loaded out of sight: its
    // empty stage would be white.
    if(url.endsWith("/blank.swf")) p.style.visibility="hidden";
    box.insertBefore(p,shown);   // beneath the one that shows
    cur=p;
    p.addEventListener("loadedmetadata",()=>{
      if(p!==cur) return;
      const m=p.ruffle().metadata||{};
      say("meta",s,(m.numFrames||0)+","+(m.frameRate||0));
      // It plays from here (until held).
      p.meta=m; p.since=performance.now(); atEnd(p);
      // It has drawn once it has painted into its canvas: the frame after
      // that one puts its picture on the screen, and only then does the old
      // player go. A count of animation frames is no such notice: on a busy
      // machine the player reads its movie over many of them. A page that is
      // not shown draws nothing, so that waits until it shows; a player that
      // never paints is taken as drawn after a while (one with no canvas of
      // its own at once).
      let told=false;
      const tell=()=>{ if(told||p!==cur) return; told=true; requestAnimationFrame(()=>drawn(p)); };
      const c=p.shadowRoot&&p.shadowRoot.querySelector("canvas"), x=c&&c.getContext("2d");
      if(x){
        const paints=["fillRect","drawImage","fill","putImageData"];
        for(const f of paints){ const own=x[f];
          x[f]=function(){ for(const g of paints) delete x[g]; tell(); return own.apply(this,arguments); }; }
      }
      const later=()=>{
        if(p!==cur) return;
        if(document.visibilityState!=="visible"){document.addEventListener("visibilitychange",later,{once:true});return;}
        setTimeout(tell,x?10000:0);
      };
      later();
    });
    // A player that fails once its load is under way (its movie cannot be
    // fetched or read) puts up its panic screen and says nothing more: that
    // is its load's answer.
    const failed=new MutationObserver(()=>{
      if(!p.shadowRoot.getElementById("panic")) return;
      failed.disconnect();
      if(p===cur) say("error",s,"the player failed");
    });
    if(p.shadowRoot) failed.observe(p.shadowRoot,{childList:true,subtree:true});
    const settled=()=>{ p.settled=true; if(p.dropped) p.remove(); };
    p.ruffle().load({url:url,autoplay:"on",unmuteOverlay:"hidden",splashScreen:false,
      contextMenu:menu?"on":"off",menu:menu,letterbox:"on",preferredRenderer:"canvas",
      warnOnUnsupportedContent:false,allowNetworking:"none",openUrlMode:"deny",upgradeToHttps:false,
      showSwfDownload:false,logLevel:"error"})
      .then(settled,e=>{ settled(); if(p===cur) say("error",s,String(e)); });
  }
  window.tablo={
    load,
    play(){want=true; if(cur) run(cur);},
    pause(){want=false; if(cur) hold(cur);},
    // From the first frame again: the same movie loaded anew.
    restart(s){ if(cur) load(cur.url,s,cur.menu,cur.holds); else say("error",s,"no movie"); },
    // A load given up: its player goes unless it shows already; the one
    // that shows stays.
    abandon(){ if(cur&&cur!==shown) drop(cur); cur=shown; },
    menu(on){ if(cur&&cur.ruffle().loadedConfig) cur.ruffle().loadedConfig.contextMenu=on?"on":"off"; }
  };
  window.addEventListener("load",()=>{
    if(window.RufflePlayer&&typeof window.RufflePlayer.newest==="function") say("ready",0);
    else say("broken",0,"ruffle.js did not load");
  });
})();
</script></body></html>)";

// Serves the page, the player's files and each player's current movie.
// A movie of one empty frame: loaded by a page started ahead, so that the
// player's own code is fetched and compiled before the first real movie.
QByteArray blankMovie() {
  const unsigned char m[] = {'F', 'W', 'S', 10, 17, 0, 0, 0,   // signature, version, length
                             0x00,                             // an empty stage rectangle
                             0x00, 12, 1, 0,                   // 12 frames a second, 1 frame
                             0x40, 0x00,                       // ShowFrame
                             0x00, 0x00};                      // End
  return QByteArray(reinterpret_cast<const char*>(m), sizeof m);
}

class FlashSchemeHandler : public QWebEngineUrlSchemeHandler {
 public:
  explicit FlashSchemeHandler(QObject* parent) : QWebEngineUrlSchemeHandler(parent) {}
  QString folder = playerFolder();
  // What each player's movie is served from: "/movie/<id>.swf" -> its copy
  // that holds its last frame, or else its file.
  struct Served {
    QString file;
    QByteArray held;
  };
  std::map<QString, Served> movies;

  void requestStarted(QWebEngineUrlRequestJob* job) override {
    const QUrl url = job->requestUrl();
    if (LogNotesOn("tablo.flash")) LogNote("tablo.flash", "request: " + tkqt::Str(url.toString()));
    const QString path = url.path();
    if (url.host() != "player" || job->requestMethod() != "GET") return job->fail(QWebEngineUrlRequestJob::RequestDenied);
    if (path == "/index.html") return reply(job, "text/html", QByteArray(kPage));
    if (path == "/blank.swf") return reply(job, "application/x-shockwave-flash", blankMovie());
    if (auto m = movies.find(path); m != movies.end()) {
      if (!m->second.held.isEmpty()) return reply(job, "application/x-shockwave-flash", m->second.held);
      return replyFile(job, "application/x-shockwave-flash", m->second.file);
    }
    // A plain file of the player's folder: one name, no way out of it.
    static const QRegularExpression plain("^/([A-Za-z0-9_][A-Za-z0-9_.-]*)$");
    const auto match = plain.match(path);
    if (!match.hasMatch() || folder.isEmpty()) return job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    const QFileInfo fi(folder + "/" + match.captured(1));
    if (!fi.isFile() || fi.isSymLink() || fi.canonicalPath() != QFileInfo(folder).canonicalFilePath())
      return job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    const QString n = fi.fileName();
    const QByteArray mime = n.endsWith(".wasm") ? "application/wasm"
                            : n.endsWith(".js") ? "text/javascript"
                            : n.endsWith(".json") ? "application/json" : "application/octet-stream";
    replyFile(job, mime, fi.filePath());
  }

 private:
  static void reply(QWebEngineUrlRequestJob* job, const QByteArray& mime, const QByteArray& data) {
    auto* b = new QBuffer(job);
    b->setData(data);
    b->open(QIODevice::ReadOnly);
    job->reply(mime, b);
  }
  static void replyFile(QWebEngineUrlRequestJob* job, const QByteArray& mime, const QString& file) {
    auto* f = new QFile(file, job);
    if (!f->open(QIODevice::ReadOnly)) return job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    job->reply(mime, f);
  }
};

// One profile for every player: off the record, the scheme handler on it,
// sound without a click.
struct FlashProfile {
  QWebEngineProfile* profile = nullptr;
  FlashSchemeHandler* handler = nullptr;
  static FlashProfile& get() {
    static FlashProfile p;
    if (!p.profile) {
      (void)schemeRegistered;
      p.profile = new QWebEngineProfile(QCoreApplication::instance());
      // The profile goes before the engine does: the engine ends in a
      // routine of the application object's end that was added when the
      // profile made it start, and those routines run last added first (a
      // child of the application object would go after the engine).
      qAddPostRoutine([] {
        delete p.profile;
        p.profile = nullptr;
        p.handler = nullptr;
      });
      p.handler = new FlashSchemeHandler(p.profile);
      p.profile->installUrlSchemeHandler(kScheme, p.handler);
      QWebEngineSettings* s = p.profile->settings();
      s->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
      s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
      s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
      s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
      s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
      s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
      s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
      s->setAttribute(QWebEngineSettings::WebGLEnabled, false);
      s->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
    }
    return p;
  }
};

void allowRendererAsRoot() {
  static bool done = false;
  if (done) return;
  done = true;
  if (geteuid() == 0 && !std::getenv("QTWEBENGINE_DISABLE_SANDBOX")) {
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    LogNote("tablo.flash", "Running as root: Flash movies are shown without the renderer's sandbox.");
  }
}

class FlashPage : public QWebEnginePage {
 public:
  FlashPage(QWebEngineProfile* p, QObject* parent) : QWebEnginePage(p, parent) {}
  std::function<void(const QString& what, int serial, const QString& text)> onSay;

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
    return isMainFrame ? url.scheme() == kScheme : (url.scheme() == kScheme || url.scheme() == "blob");
  }
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                const QString&) override {
    if (LogNotesOn("tablo.flash")) LogNote("tablo.flash", "page: " + tkqt::Str(message));
    if (!message.startsWith("tablo:") || !onSay) return;
    const QStringList p = message.split(':');
    if (p.size() < 3) return;
    onSay(p[1], p[2].toInt(), p.mid(3).join(':'));
  }
};

// Waits (the toolkit's wait: messages handled, the operator's input as the
// wait around lets it in) until done() or the limit; true when done.
bool pumpUntil(const std::function<bool()>& done, int limitMs) { return WaitFor(done, limitMs) == wrDone; }

constexpr int kPageLimitMs = 60000, kMovieLimitMs = 30000, kDrawLimitMs = 2000, kPaintLimitMs = 500,
              kVeilLimitMs = 500;
// The movies a page plays before it is started anew once out of sight.
constexpr int kPageMovies = 8;

class TWebFlashPlayer : public IFlashPlayer {
 public:
  TWebFlashPlayer() {
    veilTimer_.setSingleShot(true);
    veilTimer_.setInterval(kVeilLimitMs);
    veilTimer_.callOnTimeout([this] { unveilWhenFresh(true); });
    renew_.setSingleShot(true);
    renew_.callOnTimeout([this] { renewPage(); });
  }
  ~TWebFlashPlayer() override {
    if (id_ >= 0 && QCoreApplication::instance() && FlashProfile::get().handler)
      FlashProfile::get().handler->movies.erase(moviePath());
    window_.reset();
    delete view_;
  }
  String Movie() const override { return movie_; }
  void SetMovie(const String& Movie) override;
  void GotoFrame(int Frame) override;
  void Play() override;
  void Stop() override { pause(); }
  void StopPlay() override { pause(); }
  void CancelLoad() override;
  int CurrentFrame() const override;
  int TotalFrames() const override { return loaded_ ? header_.ShownFrames : 0; }
  // A movie plays its whole length (its frames at its rate): one that stops
  // itself earlier holds the frame where it stopped meanwhile. A movie whose
  // page's renderer went plays no more.
  bool Playing() const override { return loaded_ && playing_; }
  bool Menu() const override { return menu_; }
  void SetMenu(bool Menu) override {
    menu_ = Menu;
    if (page_ && pageReady_) run(QString("tablo.menu(%1)").arg(menu_ ? "true" : "false"));
  }
  void MouseMessage(const TFlashMessage& Message) override;
  void Prepare() override {
    if (!view_ && beginPage()) warm_ = true;
  }
  int PageStarts() const override { return pageStarts_; }
  void Paint(TCanvas* Canvas, const TRect& R, TColor Background) override {
    // Grabs of the control draw the page's picture; on the screen the
    // page's window lies over the control (veiled, the control's colour
    // shows).
    if (tkqt::Rendering() && view_ && window_ && window_->Shown() && !stale_) {
      QImage shot = view_->grab().toImage();
      // The page is opaque (on its black background): its pixels are taken
      // as they are, not converted for an opacity they do not have (half
      // the grab's time; the media page grabs the movie's last frame at the
      // change of items, in the main loop).
      if (shot.format() == QImage::Format_ARGB32_Premultiplied) shot.reinterpretAsFormat(QImage::Format_RGB32);
      TBitmap picture;
      picture.SetImage(shot);
      if (!picture.Empty()) return Canvas->StretchDraw(R, &picture);
    }
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Background);
    Canvas->FillRect(R);
  }
  void SetHost(TWinControl* Host) override {
    host_ = Host;
    if (view_) fit();
  }

 private:
  QString moviePath() const { return QString("/movie/%1.swf").arg(id_); }
  bool beginPage();   // creates the page and starts loading it; false when it cannot
  void makePage();    // a page of its own (in a renderer of its own) for the view
  bool startPage();   // the same, then waits until it is ready
  // The page's window lies over the host's visible part; the mouse goes
  // through it to the host's surface.
  void fit() {
    if (window_) view_->setParent(nullptr);   // kept when the old window goes
    window_.reset();
    if (!view_ || !host_) return;
    window_ = std::make_unique<tkqt::ControlWindow>(host_->Widget(), view_, true);
    // A control that shows beneath another (a movie loading behind the
    // picture that still shows) has its page drawing, out of sight: the
    // movie's first frame is there when the control comes to the front.
    window_->SetKeptDrawing(true);
    window_->OnShownChange = [this](bool shown) {
      if (shown) {
        wake();
        watchRendering();
        shownPaints_ = painted_;
        if (stale_) veilTimer_.start();
      } else {
        veil();
        restLater();
        if (host_ && !host_->Visible() && pageMovies_ >= kPageMovies) renew_.start(0);
      }
    };
    veil();
    window_->Follow();
  }
  // The view's picture is stale once its window has been off the screen (or
  // the page's renderer went): it is what the view kept from before. The
  // window is then veiled (on the screen, nothing of it visible, the page
  // drawing) until the view has rendered the page as it is now: two
  // pictures after the window showed and, when a movie was asked for
  // meanwhile, two after that movie drew its first frame (or its load
  // failed). A page that renders nothing new counts as rendered a moment
  // (kVeilLimitMs) after the window showed, or after that movie drew.
  void veil() {
    stale_ = true;
    staleLoad_ = -1;
    veilTimer_.stop();
    if (window_) window_->SetVeiled(true);
  }
  void unveilWhenFresh(bool timedOut = false) {
    if (!stale_ || !window_ || !window_->Shown()) return;
    const bool loadDone = staleLoad_ < 0 || errorSerial_ >= staleLoad_ || drawnSerial_ >= staleLoad_;
    if (!loadDone) return;
    const int from = staleLoad_ >= 0 && drawnSerial_ >= staleLoad_ ? std::max(shownPaints_, drawnPaints_) : shownPaints_;
    if (!timedOut && painted_ < from + 2) return;
    stale_ = false;
    veilTimer_.stop();
    window_->SetVeiled(false);
  }
  // The pictures the view renders are counted (a wait's notice, and the
  // veil's): they are rendered by a widget of the engine's own (the view's
  // focus proxy), made with the page and made anew with its renderer.
  void watchRendering() {
    if (!view_) return;
    auto* w = qobject_cast<QQuickWidget*>(view_->focusProxy());
    if (!w || !w->quickWindow() || w->quickWindow() == rendering_) return;
    rendering_ = w->quickWindow();
    QObject::connect(rendering_, &QQuickWindow::afterRendering, view_, [this] {
      ++painted_;
      WakeWaiters();
      if (stale_ && !unveilPosted_) {
        unveilPosted_ = true;
        QTimer::singleShot(0, view_, [this] {
          unveilPosted_ = false;
          unveilWhenFresh();
        });
      }
    }, Qt::DirectConnection);
  }
  // The page's renderer ended (killed, or it crashed): what the page showed
  // goes from the output at once, a load under way or a movie playing ends
  // as failed, and the page starts again with a renderer of its own.
  void rendererGone();
  // Every movie a player loads leaves memory in the page's renderer that
  // the page does not give back (about 0.7 MB; the renderer grew without end
  // over a match). The view is given a new page, in a new renderer (the old
  // one ends with its page), once it has loaded kPageMovies movies and the
  // control is hidden (the media page shows a picture or a clip, or was
  // stopped): out of sight, with the player's code compiled again ahead of
  // the next movie, whose load waits for the page as a first movie's does.
  void renewPage();
  bool waitLoaded(int serial);
  // A page that is not shown is frozen (the engine's page lifecycle: its
  // scripts and timers stop) while nothing waits on it; anything said to it
  // wakes it first.
  void wake() {
    if (page_ && page_->lifecycleState() != QWebEnginePage::LifecycleState::Active)
      page_->setLifecycleState(QWebEnginePage::LifecycleState::Active);
  }
  void rest() {
    if (!page_ || waiting_ > 0 || !pageReady_ || (window_ && window_->Shown()) || page_->isVisible()) return;
    if (warmSerial_ >= 0 && metaSerial_ < warmSerial_ && errorSerial_ < warmSerial_) return;
    if (page_->lifecycleState() == QWebEnginePage::LifecycleState::Active)
      page_->setLifecycleState(QWebEnginePage::LifecycleState::Frozen);
  }
  void restLater() {
    if (view_) QTimer::singleShot(0, view_, [this] { rest(); });
  }
  void run(const QString& script) {
    wake();
    page_->runJavaScript(script);
  }
  struct Waiting {
    explicit Waiting(TWebFlashPlayer* p) : player(p) { ++player->waiting_; }
    ~Waiting() { --player->waiting_; }
    TWebFlashPlayer* player;
  };
  struct Loading {
    explicit Loading(TWebFlashPlayer* p) : player(p) { ++player->loads_; }
    ~Loading() {
      if (--player->loads_ == 0) player->sentLoad_ = -1;
    }
    TWebFlashPlayer* player;
  };
  int framesPlayed() const {
    const double rate = header_.FrameRate > 0 ? header_.FrameRate : 12.0;
    return int(std::min<qint64>(INT32_MAX, qint64((held_ + (playing_ ? clock_.elapsed() : 0)) * rate / 1000.0)));
  }
  void pause() {
    if (playing_) held_ += clock_.elapsed();
    playing_ = false;
    end_.stop();
    if (page_ && loaded_) run("tablo.pause()");
  }

  TWinControl* host_ = nullptr;
  QPointer<QWebEngineView> view_;
  std::unique_ptr<tkqt::ControlWindow> window_;   // holds view_ while there is a host
  FlashPage* page_ = nullptr;
  bool pageReady_ = false, pageFailed_ = false;
  int pageStarts_ = 0;
  String movie_;
  TSwfHeader header_;
  bool loaded_ = false, menu_ = true, playing_ = false, played_ = false;
  int serial_ = 0, metaSerial_ = -1, errorSerial_ = -1, drawnSerial_ = -1, id_ = -1;
  int waiting_ = 0;          // waits on the page under way
  std::atomic<int> painted_{0};        // pictures rendered by the page's view
  QPointer<QQuickWindow> rendering_;   // where they are rendered
  bool stale_ = true;        // the view's picture is from before its window last showed (see veil)
  int staleLoad_ = -1;       // the load asked for while stale; -1 none
  int shownPaints_ = 0;      // painted_ when the window last showed
  int drawnPaints_ = -1;     // painted_ at the latest "drawn" notice
  bool unveilPosted_ = false;
  QTimer veilTimer_;
  bool warm_ = false;        // a page started ahead loads the blank movie once ready (unless a movie comes first)
  int pageMovies_ = 0;       // movies loaded since the page (re)started
  QTimer renew_;             // a renewal asked for when the window hid
  int warmSerial_ = -1;      // that load's serial while it is under way
  QString error_;
  QElapsedTimer clock_;
  qint64 held_ = 0;   // ms played before the current run
  QTimer end_;        // due when the movie reaches its last frame: wakes who waits for it
  bool endHooked_ = false;
  int calls_ = 0;     // SetMovie calls: a later one (made while this one waits) supersedes it
  int loads_ = 0;     // SetMovie and GotoFrame calls under way
  int sentLoad_ = -1; // the serial of the load they wait for in the page; -1 none
};

bool TWebFlashPlayer::beginPage() {
  if (pageFailed_) return false;
  if (view_) return true;
  if (playerFolder().isEmpty()) {
    LogFailure("tablo.flash", "Flash player: its files (ruffle.js) are missing; run scripts/deps.sh");
    pageFailed_ = true;
    return false;
  }
  allowRendererAsRoot();
  pageReady_ = false;
  view_ = new QWebEngineView;
  view_->setContextMenuPolicy(Qt::NoContextMenu);
  view_->setFocusPolicy(Qt::NoFocus);
  makePage();
  fit();
  page_->load(QUrl(QString(kScheme) + "://player/index.html"));
  ++pageStarts_;
  return true;
}

void TWebFlashPlayer::makePage() {
  page_ = new FlashPage(FlashProfile::get().profile, view_);
  page_->setBackgroundColor(Qt::black);
  page_->onSay = [this](const QString& what, int serial, const QString& text) {
    if (what == "ready") {
      pageReady_ = true;
      if (std::exchange(warm_, false)) {
        warmSerial_ = ++serial_;
        run(QString("tablo.load('%1://player/blank.swf',%2,false,true)").arg(QString(kScheme)).arg(warmSerial_));
      }
    }
    else if (what == "broken") { pageFailed_ = true; LogNote("tablo.flash", "Flash player: " + tkqt::Str(text)); }
    // Serials only grow: an answer for a load given up (a late one) never
    // hides the answer for a later load.
    else if (what == "meta") metaSerial_ = std::max(metaSerial_, serial);
    else if (what == "drawn") {
      drawnSerial_ = std::max(drawnSerial_, serial);
      drawnPaints_ = painted_;
      if (stale_ && staleLoad_ >= 0 && serial >= staleLoad_ && window_ && window_->Shown()) veilTimer_.start();
    }
    else if (what == "error" && serial >= errorSerial_) { errorSerial_ = serial; error_ = text; }
    if ((what == "meta" || what == "error") && serial == warmSerial_) restLater();
  };
  QObject::connect(page_, &QWebEnginePage::visibleChanged, view_, [this](bool visible) {
    if (!visible) restLater();
  });
  QObject::connect(page_, &QWebEnginePage::renderProcessTerminated, view_,
                   [this](QWebEnginePage::RenderProcessTerminationStatus, int) { rendererGone(); });
  view_->setPage(page_);
}

bool TWebFlashPlayer::startPage() {
  if (pageReady_) return true;
  if (!beginPage()) return false;
  wake();
  Waiting waiting(this);
  if (!pumpUntil([this] { return pageReady_ || pageFailed_ || !view_; }, kPageLimitMs)) {
    LogNote("tablo.flash", "Flash player: its page did not start");
    pageFailed_ = true;
  }
  return pageReady_;
}

bool TWebFlashPlayer::waitLoaded(int serial) {
  Waiting waiting(this);
  // A load asked for meanwhile (a movie set while this one loads) ends the
  // wait: its answer is for that one.
  const bool ok = pumpUntil([&] { return metaSerial_ == serial || errorSerial_ == serial || !view_ || serial_ != serial; },
                            kMovieLimitMs);
  if (ok && metaSerial_ == serial) {
    // On the screen (or kept drawing beneath another control), the page
    // keeps the frame it showed until the movie has drawn its first: the
    // movie counts as shown once the view has that frame (bounded: a page
    // that does not draw still plays). The page's notice comes before the
    // view has the frame: it has it once it has rendered two more of the
    // page's frames (the page makes a few after the notice).
    if (window_ && window_->Shown()) {
      watchRendering();
      pumpUntil([&] { return drawnSerial_ >= serial || !view_ || serial_ != serial; }, kDrawLimitMs);
      const int seen = painted_;
      if (drawnSerial_ >= serial && view_)
        pumpUntil([&] { return painted_ >= seen + 2 || !view_ || serial_ != serial; }, kPaintLimitMs);
      // The view has the movie's frame: a veil kept for it goes.
      if (view_ && serial_ == serial) unveilWhenFresh(true);
    }
    return true;
  }
  if (serial_ != serial) return false;
  LogNote("tablo.flash", "Flash player: " + movie_ + " not loaded: " + (ok ? tkqt::Str(error_) : String("no answer in time")));
  return false;
}

void TWebFlashPlayer::SetMovie(const String& Movie) {
  // A movie set while this call waits (from a handler run by the wait), or
  // CancelLoad, supersedes it: this call then changes nothing more.
  const int call = ++calls_;
  Loading loading(this);
  end_.stop();
  movie_ = Movie;
  loaded_ = playing_ = played_ = false;
  held_ = 0;
  // The movie is read and unpacked (up to SwfMaxFileLength: most of a
  // second) on a thread of its own; past a short wait the main loop is
  // served meanwhile.
  struct Read {
    bool ok = false;
    TSwfHeader header;
    String why;
    QByteArray held;   // the copy that holds its last frame (empty: none)
  };
  // Its end is the wait's notice.
  auto read = std::make_shared<std::atomic<bool>>(false);
  auto reading = std::async(std::launch::async, [Movie, read] {
    Read r;
    std::string held;
    r.ok = ReadSwfMovie(Movie, r.header, r.why, &held);
    if (r.ok && !held.empty()) r.held = QByteArray(held.data(), qsizetype(held.size()));
    read->store(true);
    WakeWaiters();
    return r;
  });
  if (reading.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
    pumpUntil([&] { return read->load(); }, INT32_MAX);
  Read result = reading.get();
  if (call != calls_) return;   // another movie was set meanwhile
  header_ = result.header;
  if (!result.ok) {
    LogNote("tablo.flash", "Flash player: " + Movie + ": " + result.why);
    return;
  }
  if (header_.ShownFrames <= 0) return;
  const bool started = startPage();
  if (call != calls_ || !started) return;
  if (warmSerial_ >= 0) {   // the blank movie's load ends first (bounded), so its answer is not taken for this one
    const int w = warmSerial_;
    wake();
    Waiting waiting(this);
    pumpUntil([&] { return metaSerial_ >= w || errorSerial_ >= w || !view_ || call != calls_; }, kMovieLimitMs);
    if (call != calls_) return;
    warmSerial_ = -1;
  }
  FlashProfile& fp = FlashProfile::get();
  static int nextId = 0;
  if (id_ >= 0) fp.handler->movies.erase(moviePath());
  id_ = nextId++;
  const bool holds = !result.held.isEmpty();
  fp.handler->movies[moviePath()] = {QFileInfo(tkqt::QStr(Movie)).absoluteFilePath(), std::move(result.held)};
  const int serial = ++serial_;
  if (stale_) staleLoad_ = serial;
  warm_ = false;
  ++pageMovies_;
  run(QString("tablo.load('%1://player%2',%3,%4,%5)")
          .arg(QString(kScheme), moviePath()).arg(serial)
          .arg(menu_ ? "true" : "false", holds ? "true" : "false"));
  const bool shown = window_ && window_->Shown();
  sentLoad_ = serial;
  const bool loaded = waitLoaded(serial);
  if (call == calls_ && serial == serial_) {
    loaded_ = loaded;
    // Loaded out of sight, the page's player may have run on from its
    // first frame before it first drew: GotoFrame(0) loads it anew.
    played_ = loaded && !shown;
  }
  rest();
}

void TWebFlashPlayer::GotoFrame(int Frame) {
  if (!loaded_ || Frame != 0) return;
  if (!played_) return;   // still on its first frame (shown since it loaded)
  const bool was = playing_;
  playing_ = played_ = false;
  held_ = 0;
  const int serial = ++serial_;
  if (stale_) staleLoad_ = serial;
  Loading loading(this);
  sentLoad_ = serial;
  run(QString("tablo.restart(%1)").arg(serial));
  const bool loaded = waitLoaded(serial);
  if (serial != serial_) return;   // another load was asked for meanwhile
  loaded_ = loaded;
  if (loaded_ && was) Play();
  rest();
}

void TWebFlashPlayer::CancelLoad() {
  if (loads_ == 0) return;
  // The calls under way change nothing more; a load the page has been given
  // is given up there (its late answers carry its old serial).
  ++calls_;
  if (sentLoad_ >= 0 && sentLoad_ == serial_) {
    ++serial_;
    loaded_ = playing_ = played_ = false;
    end_.stop();
    if (page_ && pageReady_) run("tablo.abandon()");
  }
  WakeWaiters();
}

void TWebFlashPlayer::Play() {
  if (!loaded_ || playing_) return;
  playing_ = played_ = true;
  clock_.start();
  run("tablo.play()");
  // Its end is a notice for a wait that waits for it.
  const double rate = header_.FrameRate > 0 ? header_.FrameRate : 12.0;
  const int last = header_.ShownFrames - 1;
  const double dueMs = std::ceil(last * 1000.0 / rate) - double(held_) + 1.0;
  if (!endHooked_) {
    end_.setSingleShot(true);
    end_.setTimerType(Qt::PreciseTimer);
    end_.callOnTimeout([] { WakeWaiters(); });
    endHooked_ = true;
  }
  end_.start(int(std::clamp(dueMs, 0.0, double(INT32_MAX))));
}

int TWebFlashPlayer::CurrentFrame() const {
  if (!loaded_) return 0;
  return std::min(header_.ShownFrames - 1, framesPlayed());
}

void TWebFlashPlayer::rendererGone() {
  LogFailure("tablo.flash", "Flash player: its page's renderer ended; the page starts again");
  veil();
  end_.stop();
  if (loaded_ && playing_) held_ += clock_.elapsed();
  loaded_ = playing_ = false;
  // A load under way has no other answer; the blank movie's is not waited for.
  errorSerial_ = serial_;
  error_ = "the player's page ended";
  warmSerial_ = -1;
  pageReady_ = false;
  pageMovies_ = 0;
  WakeWaiters();
  // Started again once the engine is done with the old renderer.
  QTimer::singleShot(0, view_, [this] {
    if (!page_ || pageReady_) return;
    wake();
    page_->load(QUrl(QString(kScheme) + "://player/index.html"));
    ++pageStarts_;
  });
}

void TWebFlashPlayer::renewPage() {
  if (!page_ || !pageReady_ || waiting_ > 0 || warmSerial_ >= 0 || (window_ && window_->Shown()) ||
      (host_ && host_->Visible()) || pageMovies_ < kPageMovies)
    return;
  LogNote("tablo.flash", "Flash player: the page is loaded anew after " + std::to_string(pageMovies_) + " movies");
  end_.stop();
  loaded_ = playing_ = played_ = false;
  held_ = 0;
  // The movie goes with the page (its copy too).
  if (id_ >= 0 && FlashProfile::get().handler) FlashProfile::get().handler->movies.erase(moviePath());
  id_ = -1;
  pageReady_ = false;
  pageMovies_ = 0;
  warm_ = true;
  // A page of its own: the old one goes with its renderer, which gives its
  // memory back whole (a page loaded anew in it did not, for long).
  FlashPage* old = page_;
  old->onSay = nullptr;
  QObject::disconnect(old, nullptr, view_, nullptr);
  makePage();
  delete old;
  rendering_ = nullptr;
  page_->load(QUrl(QString(kScheme) + "://player/index.html"));
  ++pageStarts_;
}

void TWebFlashPlayer::MouseMessage(const TFlashMessage& m) {
  if (!view_ || !pageReady_) return;
  QWidget* target = view_->focusProxy() ? view_->focusProxy() : view_.data();
  const QPointF at(MousePosX(m.LParam), MousePosY(m.LParam));
  const QPointF global = target->mapToGlobal(at);
  auto send = [&](QEvent::Type t, Qt::MouseButton b, Qt::MouseButtons held) {
    QMouseEvent e(t, at, global, b, held, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &e);
  };
  switch (m.Msg) {
    case WM_MOUSEMOVE: send(QEvent::MouseMove, Qt::NoButton, Qt::NoButton); break;
    case WM_LBUTTONDOWN: send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton); break;
    case WM_LBUTTONUP: send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton); break;
    case WM_RBUTTONDOWN: send(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton); break;
    case WM_RBUTTONUP: send(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton); break;
    case WM_MOUSELEAVE: {
      QEvent e(QEvent::Leave);
      QCoreApplication::sendEvent(target, &e);
      break;
    }
    default: break;
  }
}

}  // namespace

std::unique_ptr<IFlashPlayer> MakeFlashPlayer() { return std::make_unique<TWebFlashPlayer>(); }

bool FlashPlayerAvailable(String* Why) {
  if (playerFolder().isEmpty()) {
    if (Why) *Why = "the player's files (ruffle.js) are missing: run scripts/deps.sh";
    return false;
  }
  return true;
}
