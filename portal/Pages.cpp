#include "portal/Pages.h"

#include "portal/Forms.h"

namespace portal {

namespace {

constexpr const char* kStyle = R"(
:root { color-scheme: dark; }
* { box-sizing: border-box; }
body { margin: 0; font-family: "Microsoft YaHei", "WenQuanYi Micro Hei", "Noto Sans CJK SC", sans-serif;
  background: radial-gradient(ellipse at top, #283a6b 0%, #121a33 55%, #0a0e1c 100%); color: #e8ecff;
  min-height: 100vh; }
a { color: #ffd36b; text-decoration: none; }
a:hover { text-decoration: underline; }
header { display: flex; align-items: center; justify-content: space-between; padding: 14px 28px;
  background: rgba(8, 12, 28, 0.7); border-bottom: 1px solid #34406e; }
header .logo { font-size: 22px; font-weight: bold; letter-spacing: 2px; color: #ffd36b; }
header nav a { margin-left: 18px; }
main { max-width: 920px; margin: 0 auto; padding: 24px; }
h1 { font-size: 24px; margin: 8px 0 16px; }
.card { background: rgba(20, 28, 58, 0.85); border: 1px solid #3a4880; border-radius: 10px; padding: 18px 22px;
  margin-bottom: 18px; box-shadow: 0 6px 18px rgba(0, 0, 0, 0.35); }
.muted { color: #9aa6d6; font-size: 13px; }
.servers { list-style: none; padding: 0; margin: 0; display: grid;
  grid-template-columns: repeat(auto-fill, minmax(200px, 1fr)); gap: 12px; }
.servers li { background: linear-gradient(160deg, #24325f, #18213f); border: 1px solid #46569a;
  border-radius: 8px; padding: 14px; }
.servers .name { font-size: 17px; font-weight: bold; }
.badge { display: inline-block; font-size: 12px; padding: 2px 8px; border-radius: 10px; margin: 6px 0 10px;
  background: #2f7d4f; }
.badge.hot { background: #b4452f; } .badge.new { background: #3a6fc4; } .badge.closed { background: #5b5f70; }
.button { display: inline-block; padding: 6px 16px; border-radius: 16px; background: #ffb53b; color: #201400;
  font-weight: bold; }
.button.disabled { background: #4a4f63; color: #a0a4b8; }
table { border-collapse: collapse; width: 100%; }
td, th { border-bottom: 1px solid #34406e; padding: 8px; text-align: left; }
form label { display: block; margin: 10px 0 4px; }
input, select { padding: 6px 8px; border-radius: 6px; border: 1px solid #46569a; background: #0f1530;
  color: #e8ecff; min-width: 240px; }
button { margin-top: 14px; padding: 8px 22px; border: 0; border-radius: 16px; background: #ffb53b;
  color: #201400; font-weight: bold; cursor: pointer; }
footer { text-align: center; padding: 18px; color: #6f7aa8; font-size: 12px; }
)";

std::string Document(const std::string& title, const std::string& head, const std::string& body) {
  return "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n" + head + "<title>" +
         HtmlEscape(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n" + body +
         "<footer>Lumora 游戏中心 · 本地门户</footer>\n</body>\n</html>\n";
}

std::string SiteHeader(const SiteLinks& links) {
  return "<header><span class=\"logo\">LUMORA</span><nav>"
         "<a href=\"" +
         HtmlEscape(links.home) +
         "\">首页</a>"
         "<a href=\"" +
         HtmlEscape(links.charge) +
         "\">充值中心</a>"
         "<a href=\"" +
         HtmlEscape(links.forum) +
         "\">游戏论坛</a>"
         "<a href=\"" +
         HtmlEscape(links.partner) + "\">游戏中心</a></nav></header>\n";
}

const char* BadgeClass(const GameServer& server) {
  if (!server.open) return "badge closed";
  if (server.state == "火爆") return "badge hot";
  if (server.state == "新服") return "badge new";
  return "badge";
}

}  // namespace

const std::vector<GameServer>& GameServers() {
  static const std::vector<GameServer> servers = {
      {1, "晨曦之港", "火爆", true},
      {2, "星落平原", "新服", true},
      {3, "雾隐山城", "流畅", true},
      {4, "旧日王庭", "维护中", false},
  };
  return servers;
}

const GameServer* FindGameServer(int sid) {
  for (const GameServer& server : GameServers()) {
    if (server.sid == sid) return &server;
  }
  return nullptr;
}

std::string ServerListPage(const ServerListView& view) {
  const WindowMeta& meta = view.meta;
  std::string head = "<meta name=\"win-width\" content=\"" + std::to_string(meta.width) + "\">\n" +
                     "<meta name=\"win-height\" content=\"" + std::to_string(meta.height) + "\">\n" +
                     "<meta name=\"win-sizeble\" content=\"" + (meta.sizable ? "true" : "false") + "\">\n" +
                     "<meta name=\"win-full\" content=\"" + (meta.full ? "true" : "false") + "\">\n" +
                     "<meta name=\"win-bar\" content=\"" + HtmlEscape(meta.winBar) + "\">\n";
  std::string list;
  for (const ServerLink& link : view.servers) {
    const GameServer& server = *link.server;
    list += "<li><div class=\"name\">" + std::to_string(server.sid) + "服 · " + HtmlEscape(server.name) +
            "</div><span class=\"" + BadgeClass(server) + "\">" + HtmlEscape(server.state) + "</span><br>";
    if (link.url.empty()) {
      list += "<span class=\"button disabled\">暂不可进入</span>";
    } else {
      list += "<a class=\"button\" href=\"" + HtmlEscape(link.url) + "\">进入游戏</a>";
    }
    list += "</li>\n";
  }
  std::string body =
      "<header><span class=\"logo\">MORVAINE</span><nav>"
      "<a href=\"" +
      HtmlEscape(view.noticeUrl) +
      "\">公告</a>"
      "<a href=\"" +
      HtmlEscape(view.chargeUrl) +
      "\">充值</a>"
      "<a href=\"" +
      HtmlEscape(view.forumUrl) +
      "\">论坛</a>"
      "<a href=\"" +
      HtmlEscape(view.largeWindowUrl) +
      "\">大窗口模式</a></nav></header>\n"
      "<main><div class=\"card\"><h1>选择服务器</h1><p class=\"muted\">欢迎回来，玩家 <span id=\"uid\">" +
      std::to_string(view.uid) +
      "</span>。选择一个服务器开始冒险。</p></div>\n"
      "<div class=\"card\"><ul class=\"servers\">\n" +
      list + "</ul></div></main>\n";
  return Document("Morvaine · 选择服务器", head, body);
}

std::string NoticePage(const std::string& announcement, const std::string& serverListHint) {
  std::string body =
      "<header><span class=\"logo\">MORVAINE</span></header>\n<main><div "
      "class=\"card\"><h1>游戏公告</h1><p>" +
      HtmlEscape(announcement) + "</p><p class=\"muted\">" + HtmlEscape(serverListHint) +
      "</p></div>\n"
      "<div class=\"card\"><h1>更新说明</h1><ul>"
      "<li>新增星尘收集玩法，连续收集可获得连击加成。</li>"
      "<li>优化了大窗口模式下的显示效果。</li>"
      "<li>修复了部分服务器偶尔无法进入的问题。</li></ul></div></main>\n";
  return Document("Morvaine · 游戏公告", "", body);
}

std::string HomePage(const SiteLinks& links) {
  std::string body = SiteHeader(links) +
                     "<main><div class=\"card\"><h1>Morvaine · 星尘之境</h1>"
                     "<p>驾驶星晶飞船，在流星雨中收集星尘，守护莫尔维恩的夜空。</p>"
                     "<p class=\"muted\">请使用 Morvaine 启动器登录并进入游戏。</p></div>\n"
                     "<div class=\"card\"><h1>最新动态</h1><table>"
                     "<tr><td>新服「星落平原」今日开放</td><td class=\"muted\">活动</td></tr>"
                     "<tr><td>首充双倍星尘限时开启</td><td class=\"muted\">充值</td></tr>"
                     "<tr><td>启动器更新：支持断点续传下载</td><td class=\"muted\">公告</td></tr>"
                     "</table></div>\n"
                     "<div class=\"card\"><h1>下载</h1><p><a class=\"button\" href=\"" +
                     HtmlEscape(links.installer) + "\">下载 Morvaine 启动器</a></p></div></main>\n";
  return Document("Lumora 游戏中心 · Morvaine", "", body);
}

std::string ChargePage(const SiteLinks& links) {
  std::string options;
  for (int amount : {10, 30, 68, 128, 328, 648}) {
    options += "<option value=\"" + std::to_string(amount) + "\">" + std::to_string(amount) + " 元 · " +
               std::to_string(amount * 10) + " 星尘</option>";
  }
  std::string body =
      SiteHeader(links) +
      "<main><div class=\"card\"><h1>充值中心</h1>"
      "<p class=\"muted\">本地门户仅作演示，订单不会产生任何费用。</p>"
      "<form method=\"post\" action=\"/v2_payment/order.html\">"
      "<label for=\"account\">游戏账号</label><input id=\"account\" name=\"account\" maxlength=\"16\">"
      "<label for=\"amount\">充值金额</label><select id=\"amount\" name=\"amount\">" +
      options + "</select><br><button type=\"submit\">确认充值</button></form></div></main>\n";
  return Document("Lumora 充值中心", "", body);
}

std::string OrderPage(const SiteLinks& links, const std::string& account, int amount) {
  std::string body = SiteHeader(links) + "<main><div class=\"card\"><h1>订单已创建</h1><p>账号 <b>" +
                     HtmlEscape(account) + "</b> 充值 " + std::to_string(amount) + " 元（" +
                     std::to_string(amount * 10) +
                     " 星尘）。</p><p class=\"muted\">本地门户仅作演示，未发生任何扣款。</p>"
                     "<p><a href=\"" +
                     HtmlEscape(links.charge) + "\">返回充值中心</a></p></div></main>\n";
  return Document("Lumora 充值中心 · 订单", "", body);
}

std::string ForumPage(const SiteLinks& links) {
  std::string body = SiteHeader(links) +
                     "<main><div class=\"card\"><h1>Morvaine 游戏论坛</h1><table>"
                     "<tr><th>主题</th><th>回复</th><th>作者</th></tr>"
                     "<tr><td>【攻略】星尘连击的三个小技巧</td><td>128</td><td>夜航者</td></tr>"
                     "<tr><td>【讨论】星落平原开服，大家都去哪个服？</td><td>56</td><td>拾星人</td></tr>"
                     "<tr><td>【反馈】大窗口模式下的显示问题</td><td>12</td><td>雾隐</td></tr>"
                     "<tr><td>【闲聊】流星雨什么时候最好看</td><td>33</td><td>晨曦</td></tr>"
                     "</table></div></main>\n";
  return Document("Morvaine 游戏论坛", "", body);
}

std::string PartnerPage(const SiteLinks& links) {
  std::string body = SiteHeader(links) +
                     "<main><div class=\"card\"><h1>Lumora 游戏中心</h1>"
                     "<p>Lumora 游戏中心完整版内置新版浏览器内核，畅玩所有 Lumora 页游。</p>"
                     "<p><a class=\"button\" href=\"" +
                     HtmlEscape(links.installer) +
                     "\">下载完整版</a></p>"
                     "<p class=\"muted\">如果启动器提示浏览器版本过低，请安装完整版。</p></div></main>\n";
  return Document("Lumora 游戏中心", "", body);
}

std::string ErrorPage(int status, const std::string& title, const std::string& detail) {
  std::string body = "<main><div class=\"card\"><h1>" + HtmlEscape(title) + "</h1><p>" + HtmlEscape(detail) +
                     "</p><p class=\"muted\">HTTP " + std::to_string(status) + "</p></div></main>\n";
  return Document(title, "", body);
}

}  // namespace portal
