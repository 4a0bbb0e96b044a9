// The game behind the gateway: "Stardust", a small canvas game. The ship at the
// bottom catches falling stars and crystals and dodges meteors; arrow keys or
// A/D or the mouse steer, Space, Enter or a click starts, P pauses. Everything
// is in the page, without external assets, so it plays offline in the
// launcher's web view.
#include "portal/Forms.h"
#include "portal/Pages.h"

namespace portal {

namespace {

constexpr const char* kGameStyle = R"(
html, body { margin: 0; height: 100%; overflow: hidden; background: #070b18; }
canvas { display: block; width: 100vw; height: 100vh; cursor: crosshair; }
)";

constexpr const char* kGameScript = R"GAME(
(function () {
  'use strict';
  var body = document.body;
  var player = { uid: body.dataset.uid, server: body.dataset.server, sid: body.dataset.sid };
  var canvas = document.getElementById('game');
  var ctx = canvas.getContext('2d');
  var W = 0, H = 0, dpr = 1;
  var bestKey = 'morvaine-best-' + player.uid + '-' + player.sid;
  var best = 0;
  try { best = parseInt(localStorage.getItem(bestKey) || '0', 10) || 0; } catch (e) { best = 0; }

  var sky = [];
  function resize() {
    dpr = window.devicePixelRatio || 1;
    W = window.innerWidth; H = window.innerHeight;
    canvas.width = Math.floor(W * dpr); canvas.height = Math.floor(H * dpr);
    ctx.setTransform(dpr, 0, 0, dpr, 0, 0);
    sky = [];
    for (var i = 0; i < Math.floor(W * H / 6000); i++) {
      sky.push({ x: Math.random() * W, y: Math.random() * H, r: Math.random() * 1.4 + 0.3,
                 t: Math.random() * Math.PI * 2, s: Math.random() * 0.3 + 0.1 });
    }
    ship.y = H - 70;
    ship.x = Math.min(Math.max(ship.x || W / 2, 40), W - 40);
  }

  var ship = { x: 0, y: 0, vx: 0, w: 64, h: 26, shield: 0 };
  var items = [], sparks = [];
  var state = 'title';  // title, play, pause, over
  var score = 0, lives = 3, level = 1, combo = 0, shake = 0, spawnIn = 0, clock = 0;
  var keys = {}, pointerX = null;

  function reset() {
    items = []; sparks = []; score = 0; lives = 3; level = 1; combo = 0; shake = 0; spawnIn = 0;
    ship.x = W / 2; ship.shield = 0; state = 'play';
  }

  function spawn() {
    var roll = Math.random();
    var kind = roll < 0.06 ? 'crystal' : (roll < 0.34 + level * 0.03 ? 'meteor' : 'star');
    var speed = (110 + level * 28) * (0.8 + Math.random() * 0.5);
    items.push({ kind: kind, x: 30 + Math.random() * (W - 60), y: -30, vy: speed,
                 vx: kind === 'meteor' ? (Math.random() - 0.5) * 60 : 0,
                 r: kind === 'meteor' ? 14 + Math.random() * 12 : (kind === 'crystal' ? 13 : 11),
                 spin: Math.random() * Math.PI * 2 });
  }

  function burst(x, y, color, n) {
    for (var i = 0; i < n; i++) {
      var a = Math.random() * Math.PI * 2, v = 60 + Math.random() * 220;
      sparks.push({ x: x, y: y, vx: Math.cos(a) * v, vy: Math.sin(a) * v, life: 0.6 + Math.random() * 0.5,
                    color: color });
    }
  }

  function update(dt) {
    clock += dt;
    for (var i = 0; i < sky.length; i++) { sky[i].y += sky[i].s * 20 * dt; if (sky[i].y > H) sky[i].y = 0; }
    for (var j = sparks.length - 1; j >= 0; j--) {
      var p = sparks[j]; p.life -= dt; p.x += p.vx * dt; p.y += p.vy * dt; p.vy += 260 * dt;
      if (p.life <= 0) sparks.splice(j, 1);
    }
    shake = Math.max(0, shake - dt * 2.5);
    if (state !== 'play') return;

    var dir = (keys.ArrowRight || keys.d || keys.D ? 1 : 0) - (keys.ArrowLeft || keys.a || keys.A ? 1 : 0);
    if (dir !== 0) { pointerX = null; ship.vx += dir * 2600 * dt; }
    else if (pointerX !== null) { ship.vx = (pointerX - ship.x) * 10; }
    ship.vx *= Math.pow(0.0008, dt);
    ship.x = Math.min(Math.max(ship.x + ship.vx * dt, ship.w / 2), W - ship.w / 2);
    ship.shield = Math.max(0, ship.shield - dt);

    spawnIn -= dt;
    if (spawnIn <= 0) { spawn(); spawnIn = Math.max(0.18, 0.85 - level * 0.06) * (0.6 + Math.random() * 0.8); }

    for (var k = items.length - 1; k >= 0; k--) {
      var it = items[k];
      it.y += it.vy * dt; it.x += it.vx * dt; it.spin += dt * 2;
      var dx = Math.abs(it.x - ship.x), dy = Math.abs(it.y - ship.y);
      if (dx < ship.w / 2 + it.r * 0.7 && dy < ship.h / 2 + it.r * 0.7) {
        items.splice(k, 1);
        if (it.kind === 'meteor') {
          if (ship.shield > 0) { burst(it.x, it.y, '#8fd8ff', 18); continue; }
          lives -= 1; combo = 0; shake = 1; ship.shield = 1.5;
          burst(it.x, it.y, '#ff7a45', 30);
          if (lives <= 0) {
            state = 'over';
            if (score > best) { best = score; try { localStorage.setItem(bestKey, String(best)); } catch (e) {} }
          }
        } else {
          combo += 1;
          var gain = (it.kind === 'crystal' ? 50 : 10) * Math.min(5, 1 + Math.floor(combo / 5));
          score += gain;
          if (it.kind === 'crystal') { ship.shield = 4; }
          burst(it.x, it.y, it.kind === 'crystal' ? '#7fe6ff' : '#ffd36b', 14);
          level = 1 + Math.floor(score / 300);
        }
      } else if (it.y > H + 40) {
        items.splice(k, 1);
        if (it.kind === 'star') combo = 0;
      }
    }
  }

  function drawStar(x, y, r, spin, color) {
    ctx.save(); ctx.translate(x, y); ctx.rotate(spin);
    ctx.shadowColor = color; ctx.shadowBlur = 16; ctx.fillStyle = color;
    ctx.beginPath();
    for (var i = 0; i < 10; i++) {
      var a = i * Math.PI / 5, rr = i % 2 === 0 ? r : r * 0.45;
      ctx.lineTo(Math.cos(a) * rr, Math.sin(a) * rr);
    }
    ctx.closePath(); ctx.fill(); ctx.restore();
  }

  function drawCrystal(x, y, r, spin) {
    ctx.save(); ctx.translate(x, y); ctx.rotate(Math.sin(spin) * 0.3);
    ctx.shadowColor = '#7fe6ff'; ctx.shadowBlur = 20;
    var g = ctx.createLinearGradient(0, -r, 0, r);
    g.addColorStop(0, '#e6fbff'); g.addColorStop(1, '#3aa8e8');
    ctx.fillStyle = g;
    ctx.beginPath(); ctx.moveTo(0, -r * 1.3); ctx.lineTo(r * 0.8, 0); ctx.lineTo(0, r * 1.3); ctx.lineTo(-r * 0.8, 0);
    ctx.closePath(); ctx.fill(); ctx.restore();
  }

  function drawMeteor(it) {
    ctx.save();
    var tail = ctx.createLinearGradient(it.x, it.y, it.x - it.vx * 0.4, it.y - it.vy * 0.4);
    tail.addColorStop(0, 'rgba(255,140,60,0.55)'); tail.addColorStop(1, 'rgba(255,140,60,0)');
    ctx.strokeStyle = tail; ctx.lineWidth = it.r * 0.9; ctx.lineCap = 'round';
    ctx.beginPath(); ctx.moveTo(it.x, it.y); ctx.lineTo(it.x - it.vx * 0.4, it.y - it.vy * 0.4); ctx.stroke();
    ctx.translate(it.x, it.y); ctx.rotate(it.spin);
    var g = ctx.createRadialGradient(-it.r * 0.3, -it.r * 0.3, 2, 0, 0, it.r);
    g.addColorStop(0, '#c9825a'); g.addColorStop(1, '#4a2a1e');
    ctx.fillStyle = g;
    ctx.beginPath();
    for (var i = 0; i < 8; i++) {
      var a = i * Math.PI / 4, rr = it.r * (0.8 + ((i * 37) % 5) / 20);
      ctx.lineTo(Math.cos(a) * rr, Math.sin(a) * rr);
    }
    ctx.closePath(); ctx.fill(); ctx.restore();
  }

  function drawShip() {
    ctx.save(); ctx.translate(ship.x, ship.y); ctx.rotate(Math.max(-0.35, Math.min(0.35, ship.vx / 1500)));
    var flame = 10 + Math.sin(clock * 40) * 4;
    ctx.fillStyle = 'rgba(120,200,255,0.7)';
    ctx.beginPath(); ctx.moveTo(-10, 12); ctx.lineTo(0, 12 + flame); ctx.lineTo(10, 12); ctx.fill();
    var g = ctx.createLinearGradient(0, -ship.h, 0, ship.h);
    g.addColorStop(0, '#fff2c4'); g.addColorStop(1, '#d98b1f');
    ctx.fillStyle = g; ctx.shadowColor = '#ffcf70'; ctx.shadowBlur = 18;
    ctx.beginPath(); ctx.moveTo(0, -ship.h); ctx.lineTo(ship.w / 2, ship.h / 2); ctx.lineTo(ship.w / 4, ship.h / 2 - 4);
    ctx.lineTo(-ship.w / 4, ship.h / 2 - 4); ctx.lineTo(-ship.w / 2, ship.h / 2); ctx.closePath(); ctx.fill();
    if (ship.shield > 0) {
      ctx.shadowBlur = 0;
      ctx.strokeStyle = 'rgba(127,230,255,' + Math.min(0.8, ship.shield) + ')'; ctx.lineWidth = 2;
      ctx.beginPath(); ctx.arc(0, 0, ship.w * 0.7, 0, Math.PI * 2); ctx.stroke();
    }
    ctx.restore();
  }

  function centerText(text, y, size, color) {
    ctx.font = 'bold ' + size + 'px "Microsoft YaHei", "WenQuanYi Micro Hei", sans-serif';
    ctx.textAlign = 'center'; ctx.fillStyle = color; ctx.shadowColor = 'rgba(0,0,0,0.6)'; ctx.shadowBlur = 8;
    ctx.fillText(text, W / 2, y); ctx.shadowBlur = 0;
  }

  function draw() {
    ctx.save();
    if (shake > 0) ctx.translate((Math.random() - 0.5) * 12 * shake, (Math.random() - 0.5) * 12 * shake);
    var bg = ctx.createLinearGradient(0, 0, 0, H);
    bg.addColorStop(0, '#0b1230'); bg.addColorStop(0.6, '#1c2452'); bg.addColorStop(1, '#3a2a55');
    ctx.fillStyle = bg; ctx.fillRect(-20, -20, W + 40, H + 40);
    var moon = ctx.createRadialGradient(W * 0.82, H * 0.18, 4, W * 0.82, H * 0.18, 70);
    moon.addColorStop(0, 'rgba(255,244,214,0.95)'); moon.addColorStop(0.45, 'rgba(255,230,180,0.35)');
    moon.addColorStop(1, 'rgba(255,230,180,0)');
    ctx.fillStyle = moon; ctx.fillRect(W * 0.82 - 70, H * 0.18 - 70, 140, 140);
    for (var i = 0; i < sky.length; i++) {
      var s = sky[i];
      ctx.globalAlpha = 0.45 + 0.55 * Math.abs(Math.sin(clock * 1.5 + s.t));
      ctx.fillStyle = '#ffffff'; ctx.beginPath(); ctx.arc(s.x, s.y, s.r, 0, Math.PI * 2); ctx.fill();
    }
    ctx.globalAlpha = 1;
    ctx.fillStyle = '#141a36';
    ctx.beginPath(); ctx.moveTo(0, H);
    for (var x = 0; x <= W; x += 40) ctx.lineTo(x, H - 26 - Math.sin(x * 0.013) * 14 - Math.sin(x * 0.031) * 6);
    ctx.lineTo(W, H); ctx.fill();

    for (var k = 0; k < items.length; k++) {
      var it = items[k];
      if (it.kind === 'star') drawStar(it.x, it.y, it.r, it.spin, '#ffd36b');
      else if (it.kind === 'crystal') drawCrystal(it.x, it.y, it.r, it.spin);
      else drawMeteor(it);
    }
    if (state !== 'title') drawShip();
    for (var j = 0; j < sparks.length; j++) {
      var p = sparks[j];
      ctx.globalAlpha = Math.max(0, p.life); ctx.fillStyle = p.color;
      ctx.fillRect(p.x - 2, p.y - 2, 4, 4);
    }
    ctx.globalAlpha = 1;
    ctx.restore();

    ctx.font = '15px "Microsoft YaHei", "WenQuanYi Micro Hei", sans-serif';
    ctx.textAlign = 'left'; ctx.fillStyle = '#c9d2ff';
    ctx.fillText('玩家 ' + player.uid + ' · ' + player.sid + '服 ' + player.server, 16, 26);
    ctx.fillStyle = '#ffd36b'; ctx.font = 'bold 20px sans-serif';
    ctx.fillText('★ ' + score, 16, 54);
    ctx.textAlign = 'right'; ctx.fillStyle = '#ff8a65';
    ctx.fillText('♥'.repeat(Math.max(0, lives)), W - 16, 30);
    ctx.font = '14px sans-serif'; ctx.fillStyle = '#9aa6d6';
    ctx.fillText('等级 ' + level + (combo >= 5 ? '  连击 ×' + Math.min(5, 1 + Math.floor(combo / 5)) : '') +
                 '  最高 ' + best, W - 16, 54);

    if (state === 'title') {
      centerText('星尘 · Morvaine', H * 0.38, 44, '#ffd36b');
      centerText('接住星星和水晶，躲开流星', H * 0.38 + 46, 20, '#e8ecff');
      centerText('← → / A D 或鼠标移动 · 空格、回车或点击开始 · P 暂停', H * 0.38 + 80, 15, '#9aa6d6');
    } else if (state === 'pause') {
      centerText('暂停', H * 0.45, 40, '#e8ecff');
    } else if (state === 'over') {
      centerText('游戏结束', H * 0.38, 44, '#ff8a65');
      centerText('得分 ' + score + ' · 最高 ' + best, H * 0.38 + 46, 22, '#ffd36b');
      centerText('空格、回车或点击再来一局', H * 0.38 + 82, 16, '#9aa6d6');
    }
  }

  function startOrRestart() { if (state === 'title' || state === 'over') reset(); }

  window.addEventListener('keydown', function (e) {
    keys[e.key] = true;
    if (e.key === ' ' || e.key === 'Enter') { startOrRestart(); e.preventDefault(); }
    else if (e.key === 'p' || e.key === 'P') { if (state === 'play') state = 'pause'; else if (state === 'pause') state = 'play'; }
    else if (e.key.indexOf('Arrow') === 0) e.preventDefault();
  });
  window.addEventListener('keyup', function (e) { keys[e.key] = false; });
  canvas.addEventListener('mousemove', function (e) { pointerX = e.clientX; });
  canvas.addEventListener('mousedown', function (e) { pointerX = e.clientX; startOrRestart(); });
  canvas.addEventListener('touchmove', function (e) { pointerX = e.touches[0].clientX; e.preventDefault(); },
                          { passive: false });
  canvas.addEventListener('touchstart', function (e) { pointerX = e.touches[0].clientX; startOrRestart(); });
  window.addEventListener('blur', function () { keys = {}; if (state === 'play') state = 'pause'; });
  window.addEventListener('resize', resize);

  resize();
  var last = performance.now();
  function frame(now) {
    var dt = Math.min(0.05, (now - last) / 1000);
    last = now;
    update(dt);
    draw();
    requestAnimationFrame(frame);
  }
  requestAnimationFrame(frame);
})();
)GAME";

}  // namespace

std::string GamePage(std::int64_t uid, const GameServer& server, bool fromLauncher) {
  std::string title = "Morvaine · " + std::to_string(server.sid) + "服 " + server.name;
  return "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
         HtmlEscape(title) + "</title>\n<style>" + kGameStyle + "</style>\n</head>\n<body data-uid=\"" +
         std::to_string(uid) + "\" data-sid=\"" + std::to_string(server.sid) + "\" data-server=\"" +
         HtmlEscape(server.name) + "\" data-launcher=\"" + (fromLauncher ? "true" : "false") +
         "\">\n<canvas id=\"game\" aria-label=\"星尘\">你的浏览器不支持画布，无法开始游戏。玩家 " +
         std::to_string(uid) + "，服务器 " + HtmlEscape(server.name) + "。</canvas>\n<script>" + kGameScript +
         "</script>\n</body>\n</html>\n";
}

}  // namespace portal
