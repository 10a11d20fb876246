// The page around the program: windows made of elements around canvases,
// the timer, the box, the end, the pictures, and the bar that downloads
// the recording of a session or plays one back. What happens in the
// windows is decided by the program (host/web); this only passes the
// browser's events in and runs the program's drawing commands.
'use strict';

(function () {
  const params = new URLSearchParams(location.search);
  const keepTrace = params.has('trace') ? 1 : 0;
  const desktop = document.getElementById('desktop');
  const status = document.getElementById('status');
  const boxLayer = document.getElementById('box-layer');
  const boxFrame = document.getElementById('box');
  const boxCanvas = document.getElementById('box-canvas');
  const endPanel = document.getElementById('end');
  const speedChoice = document.getElementById('speed');

  let program = null;      // the WebAssembly module
  let timer = null;        // the one pending wake-up
  let box = null;          // the box shown, with its OK button's place
  let session = 'none';    // 'play', 'watch', 'ended'
  const windows = new Map();
  let firstFrame = false;  // marked, for the benchmark (bench/web)
  // With ?bench, how late each wake-up came, in milliseconds.
  const lateness = params.has('bench') ? [] : null;
  const pictures = [];     // by the program's number: {image, ready}

  // ---- what the program calls (library.js) ----

  const page = {
    arm(delayMs) {
      if (timer !== null) clearTimeout(timer);
      // Set for the tick's own due time, never an animation frame (those
      // come late and would drop ticks); a tick already due is 0 away.
      const due = performance.now() + delayMs;
      timer = setTimeout(() => {
        timer = null;
        if (lateness) lateness.push(performance.now() - due);
        call('kestrin_wake');
      }, Math.max(0, Math.ceil(delayMs)));
    },
    disarm() {
      if (timer !== null) clearTimeout(timer);
      timer = null;
    },
    openWindow(id, title) {
      const frame = document.createElement('section');
      frame.className = 'kw-window';
      frame.hidden = true;
      frame.setAttribute('aria-label', title);
      const bar = document.createElement('div');
      bar.className = 'kw-titlebar';
      const name = document.createElement('span');
      name.className = 'kw-title';
      name.textContent = title;
      const close = document.createElement('button');
      close.className = 'kw-close';
      close.type = 'button';
      close.tabIndex = -1;
      close.setAttribute('aria-label', 'Close');
      close.textContent = '\u00d7';
      bar.append(name, close);
      const canvas = document.createElement('canvas');
      frame.append(bar, canvas);
      desktop.append(frame);
      const w = {frame, canvas, context: canvas.getContext('2d', {alpha: false}), x: 0, y: 0};
      windows.set(id, w);

      close.addEventListener('pointerdown', (e) => e.stopPropagation());
      close.addEventListener('click', () => { call('kestrin_close', id); });
      bar.addEventListener('pointerdown', (e) => startDrag(id, w, e));
      canvas.addEventListener('pointerdown', (e) => {
        e.preventDefault();
        desktop.focus({preventScroll: true});
        canvas.setPointerCapture(e.pointerId);
        call('kestrin_pointer_down', id, e.offsetX, e.offsetY, e.button === 0 ? 1 : 0);
      });
      canvas.addEventListener('pointerup', (e) => { call('kestrin_pointer_up', id, e.offsetX, e.offsetY); });
      canvas.addEventListener('contextmenu', (e) => e.preventDefault());
    },
    placeWindow(id, x, y, width, height, deviceWidth, deviceHeight) {
      const w = windows.get(id);
      if (!w) return;
      const ratio = window.devicePixelRatio || 1;
      if (w.canvas.width !== deviceWidth || w.canvas.height !== deviceHeight) {
        w.canvas.width = deviceWidth;
        w.canvas.height = deviceHeight;
      }
      w.canvas.style.width = (deviceWidth / ratio) + 'px';
      w.canvas.style.height = (deviceHeight / ratio) + 'px';
      w.x = x;
      w.y = y;
      w.frame.style.left = (x - frameMargins.left) + 'px';
      w.frame.style.top = (y - frameMargins.top) + 'px';
      w.frame.hidden = false;
    },
    hideWindow(id) {
      const w = windows.get(id);
      if (w) w.frame.hidden = true;
    },
    activateWindow(id) {
      for (const [other, w] of windows) w.frame.classList.toggle('kw-active', other === id);
      const w = windows.get(id);
      if (w) desktop.append(w.frame);  // in front of the others
    },
    removeWindow(id) {
      const w = windows.get(id);
      if (w) w.frame.remove();
      windows.delete(id);
    },
    draw(id, commands) {
      const w = windows.get(id);
      if (!w) return;
      runDrawList(w.context, commands);
      if (!firstFrame) {
        firstFrame = true;
        requestAnimationFrame(() => {
          performance.mark('first-frame');
          // The pictures of the games, once the launcher is up.
          for (const p of pictures) if (!p.image.src) p.image.src = p.source;
        });
      }
    },
    showBox(b) {
      const ratio = window.devicePixelRatio || 1;
      document.getElementById('box-title').textContent = b.title;
      document.getElementById('box-text').textContent = b.text;
      boxCanvas.width = b.deviceWidth;
      boxCanvas.height = b.deviceHeight;
      boxCanvas.style.width = (b.deviceWidth / ratio) + 'px';
      boxCanvas.style.height = (b.deviceHeight / ratio) + 'px';
      const origin = desktop.getBoundingClientRect();
      boxFrame.style.left = (origin.left + b.x - frameMargins.left) + 'px';
      boxFrame.style.top = (origin.top + b.y - frameMargins.top) + 'px';
      runDrawList(boxCanvas.getContext('2d', {alpha: false}), b.commands);
      box = {ok: b.ok, timer: null};
      boxLayer.hidden = false;
      boxFrame.focus({preventScroll: true});
      if (b.answerAfterMs > 0) box.timer = setTimeout(answerBox, b.answerAfterMs);
    },
    hideBox() {
      if (box && box.timer !== null) clearTimeout(box.timer);
      box = null;
      boxLayer.hidden = true;
    },
    ended() {
      session = 'ended';
      page.disarm();
      for (const id of [...windows.keys()]) page.removeWindow(id);
      endPanel.hidden = false;
      document.getElementById('again').focus({preventScroll: true});
    },
    watchOver() { status.textContent = 'The recording has been played to its end.'; },
    failed(what) {
      console.error('kestrin: ' + what);
      document.getElementById('end-text').textContent = 'Kestrin has ended: ' + what;
      page.ended();
    },
  };

  // ---- drawing commands (host/web/draw_list.h) ----

  function colour(c) { return '#' + (c | 0x1000000).toString(16).slice(1); }

  function runDrawList(context, d) {
    let i = 0;
    let path = null;
    let ratio = 1;
    while (i < d.length) {
      switch (d[i++]) {
        case 1: {  // Begin
          ratio = d[i++];
          const originX = d[i++], originY = d[i++];
          const ground = colour(d[i++]);
          const n = d[i++];
          context.save();
          context.setTransform(1, 0, 0, 1, 0, 0);
          context.beginPath();
          for (let k = 0; k < n; ++k, i += 4) context.rect(d[i], d[i + 1], d[i + 2], d[i + 3]);
          context.clip();
          context.fillStyle = ground;
          context.fill();
          context.setTransform(ratio, 0, 0, ratio, originX, originY);
          break;
        }
        case 2: context.restore(); break;  // End
        case 3:  // FillRect
          context.fillStyle = colour(d[i + 4]);
          context.fillRect(d[i], d[i + 1], d[i + 2], d[i + 3]);
          i += 5;
          break;
        case 4: {  // Oval: a 1-pixel outline half a pixel inside its box
          const [x, y, w, h, fill, outline] = [d[i], d[i + 1], d[i + 2], d[i + 3], d[i + 4], d[i + 5]];
          i += 6;
          context.beginPath();
          context.ellipse(x + w / 2, y + h / 2, Math.max(0, (w - 1) / 2), Math.max(0, (h - 1) / 2), 0, 0, 2 * Math.PI);
          if (fill >= 0) {
            context.fillStyle = colour(fill);
            context.fill();
          }
          context.lineWidth = 1;
          context.strokeStyle = colour(outline);
          context.stroke();
          break;
        }
        case 5:  // PushClip
          context.save();
          context.beginPath();
          context.rect(d[i], d[i + 1], d[i + 2], d[i + 3]);
          context.clip();
          i += 4;
          break;
        case 6: context.restore(); break;  // PopClip
        case 7: (path = path || new Path2D()).moveTo(d[i], d[i + 1]); i += 2; break;
        case 8: path.lineTo(d[i], d[i + 1]); i += 2; break;
        case 9: path.quadraticCurveTo(d[i], d[i + 1], d[i + 2], d[i + 3]); i += 4; break;
        case 10: path.closePath(); break;
        case 11:  // FillPath
          if (path) {
            context.fillStyle = colour(d[i]);
            context.fill(path, 'nonzero');
          }
          path = null;
          i += 1;
          break;
        case 12: {  // Image
          const p = pictures[d[i]];
          if (p && p.ready) {
            context.imageSmoothingEnabled = true;
            context.imageSmoothingQuality = 'high';
            context.drawImage(p.image, d[i + 1], d[i + 2], d[i + 3], d[i + 4]);
          }
          i += 5;
          break;
        }
        case 13: {  // FocusFrame: dotted, one device pixel wide
          context.save();
          context.setLineDash([1 / ratio, 1 / ratio]);
          context.lineWidth = 1 / ratio;
          context.strokeStyle = '#000000';
          context.strokeRect(d[i] + 0.5 / ratio, d[i + 1] + 0.5 / ratio, d[i + 2] - 1 / ratio, d[i + 3] - 1 / ratio);
          context.restore();
          i += 4;
          break;
        }
        case 14:  // Veil: dims what is there
          context.fillStyle = 'rgba(0, 0, 0, ' + d[i + 4] / 255 + ')';
          context.fillRect(d[i], d[i + 1], d[i + 2], d[i + 3]);
          i += 5;
          break;
        default:
          throw new Error('unknown drawing command ' + d[i - 1]);
      }
    }
  }

  // ---- calls into the program ----

  function call(name, ...args) {
    if (!program || session === 'none' || session === 'ended') return;
    program['_' + name](...args);
  }

  function text(name) {
    return program ? program.UTF8ToString(program['_' + name]()) : '';
  }

  // ---- the desktop ----

  const frameMargins = {left: 1, top: 25, right: 1, bottom: 1};

  function measureFrame() {
    const probe = document.createElement('section');
    probe.className = 'kw-window';
    probe.style.visibility = 'hidden';
    const bar = document.createElement('div');
    bar.className = 'kw-titlebar';
    const client = document.createElement('canvas');
    client.style.width = '100px';
    client.style.height = '100px';
    probe.append(bar, client);
    desktop.append(probe);
    const outer = probe.getBoundingClientRect();
    const inner = client.getBoundingClientRect();
    probe.remove();
    frameMargins.left = Math.round(inner.left - outer.left);
    frameMargins.top = Math.round(inner.top - outer.top);
    frameMargins.right = Math.round(outer.right - inner.right);
    frameMargins.bottom = Math.round(outer.bottom - inner.bottom);
  }

  function tellDesktop() {
    if (!program) return;
    const r = desktop.getBoundingClientRect();
    program._kestrin_desktop(Math.floor(r.width), Math.floor(r.height), window.devicePixelRatio || 1,
      frameMargins.left, frameMargins.top, frameMargins.right, frameMargins.bottom);
  }

  function startDrag(id, w, e) {
    if (e.button !== 0) return;
    e.preventDefault();
    call('kestrin_activate', id);
    const bar = e.currentTarget;
    bar.setPointerCapture(e.pointerId);
    const from = {x: e.clientX, y: e.clientY, left: w.x, top: w.y};
    const area = desktop.getBoundingClientRect();
    const move = (m) => {
      const width = w.frame.offsetWidth, height = w.frame.offsetHeight;
      // Kept wholly inside the page, as on a screen.
      const left = Math.min(Math.max(from.left + m.clientX - from.x, frameMargins.left), area.width - width + frameMargins.left);
      const top = Math.min(Math.max(from.top + m.clientY - from.y, frameMargins.top), area.height - height + frameMargins.top);
      w.x = Math.round(left);
      w.y = Math.round(top);
      w.frame.style.left = (w.x - frameMargins.left) + 'px';
      w.frame.style.top = (w.y - frameMargins.top) + 'px';
    };
    const up = () => {
      bar.removeEventListener('pointermove', move);
      bar.removeEventListener('pointerup', up);
      call('kestrin_moved', id, w.x, w.y);
    };
    bar.addEventListener('pointermove', move);
    bar.addEventListener('pointerup', up);
  }

  // ---- keys ----

  function ownKey(e) {
    // Keys meant for the page's own controls (the bar, the end) stay theirs.
    const t = e.target;
    return t instanceof HTMLElement && t.closest('#bar, #end') !== null;
  }

  function answerBox() { if (program) program._kestrin_box_answered(); }

  function key(e, down) {
    if (box) {
      if (down && (e.code === 'Enter' || e.code === 'NumpadEnter' || e.code === 'Space' || e.code === 'Escape')) answerBox();
      e.preventDefault();
      return;
    }
    if (ownKey(e) || (session !== 'play' && session !== 'watch')) return;
    if (!e.ctrlKey && !e.metaKey) e.preventDefault();  // no scrolling, no Tab through the page
    program.ccall('kestrin_key', null, ['string', 'number', 'number', 'number', 'number'],
      [e.code, down ? 1 : 0, e.shiftKey ? 1 : 0, e.ctrlKey ? 1 : 0, e.altKey ? 1 : 0]);
  }

  window.addEventListener('keydown', (e) => key(e, true));
  window.addEventListener('keyup', (e) => key(e, false));
  boxCanvas.addEventListener('pointerdown', (e) => {
    e.preventDefault();
    const ok = box && box.ok;
    if (ok && e.offsetX >= ok.x && e.offsetX < ok.x + ok.width && e.offsetY >= ok.y && e.offsetY < ok.y + ok.height) {
      answerBox();
    }
  });
  // Hidden, the program pauses; the keyboard gone elsewhere, the keys held
  // let go (the browser sends no key-up for them).
  document.addEventListener('visibilitychange', () => call('kestrin_hidden', document.hidden ? 1 : 0));
  window.addEventListener('blur', () => call('kestrin_keyboard_lost'));
  // The page zoomed also changes the density.
  window.addEventListener('resize', () => {
    tellDesktop();
    sharpenPictures();
  });
  // A window moved to a screen of another pixel density, or the page zoomed.
  function watchDensity() {
    matchMedia(`(resolution: ${window.devicePixelRatio || 1}dppx)`).addEventListener('change', () => {
      tellDesktop();
      sharpenPictures();
      watchDensity();
    }, {once: true});
  }
  watchDensity();

  // ---- pictures ----

  function twice(name) {
    const dot = name.lastIndexOf('.');
    return name.slice(0, dot) + '@2x' + name.slice(dot);
  }

  // Each picture in the browser's own format, the sharper copy where a
  // logical pixel has more than one device pixel. The first screen's are
  // fetched at once (index.html preloads them) and the returned promise
  // resolves once they have arrived; the others after the first frame.
  const isSharp = () => (window.devicePixelRatio || 1) > 1;
  let sharpPictures = false;

  function loadPictures() {
    const sharp = sharpPictures = isSharp();
    const first = [];
    const count = program._kestrin_picture_count();
    for (let n = 0; n < count; ++n) {
      const name = program.UTF8ToString(program._kestrin_picture_name(n));
      const image = new Image();
      const entry = {image, ready: false, source: 'pictures/' + (sharp ? twice(name) : name)};
      pictures[n] = entry;
      const arrived = new Promise((resolve) => {
        image.onload = () => {
          entry.ready = true;
          call('kestrin_picture_arrived');
          resolve();
        };
        image.onerror = () => { console.error('kestrin: no picture ' + image.src); resolve(); };
      });
      if (program._kestrin_picture_first(n)) {
        image.src = entry.source;
        first.push(arrived);
      }
    }
    return Promise.all(first);
  }

  // The density changed after load (the window moved to another screen, the
  // page zoomed): each picture fetched already is fetched again in the other
  // copy, and drawn from it once it has arrived.
  function sharpenPictures() {
    const sharp = isSharp();
    if (!program || sharp === sharpPictures) return;
    sharpPictures = sharp;
    const count = program._kestrin_picture_count();
    for (let n = 0; n < count; ++n) {
      const entry = pictures[n];
      const name = program.UTF8ToString(program._kestrin_picture_name(n));
      entry.source = 'pictures/' + (sharp ? twice(name) : name);
      if (!entry.image.src) continue;  // not fetched yet: it will be in the right copy
      const image = new Image();
      image.onload = () => {
        entry.image = image;
        entry.ready = true;
        call('kestrin_picture_arrived');
      };
      image.src = entry.source;
    }
  }

  // ---- sessions ----

  function play() {
    endPanel.hidden = true;
    document.getElementById('end-text').textContent = 'Kestrin has ended.';
    status.textContent = '';
    session = 'play';
    program._kestrin_start(keepTrace);
  }

  function watch(script, name) {
    endPanel.hidden = true;
    session = 'watch';
    const speed = Number(speedChoice.value) || 1;
    // Said first: a recording with nothing to play is over at once.
    status.textContent = 'Watching ' + name + (speed !== 1 ? ' at ' + speed + '×' : '');
    const error = program.ccall('kestrin_watch', 'string', ['string', 'number', 'number'], [script, speed, keepTrace]);
    if (error !== '') {
      session = 'ended';
      status.textContent = 'Not a recording: ' + error;
      page.ended();
    }
  }

  function download() {
    const script = text('kestrin_recording');
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([script], {type: 'text/plain'}));
    const stamp = new Date().toISOString().replace(/[-:]/g, '').replace('T', '-').slice(0, 15);
    link.download = 'kestrin-' + stamp + '.replay';
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
    // The keys go back to the game, not to the button.
    if (session === 'play') desktop.focus({preventScroll: true});
  }

  document.getElementById('again').addEventListener('click', play);
  document.getElementById('download').addEventListener('click', download);
  document.getElementById('download-end').addEventListener('click', download);
  document.getElementById('file').addEventListener('change', async (e) => {
    const file = e.target.files[0];
    if (file) watch(await file.text(), file.name);
    e.target.value = '';
  });

  // What tests and the curious reach from outside.
  window.kestrin = {
    // Where a control of a shown screen is, in the page's CSS pixels; null
    // where it is not shown.
    where(screen, control, index) {
      if (!program) return null;
      const found = program.ccall('kestrin_where', 'string', ['string', 'string', 'number'],
        [screen, control, index === undefined ? -1 : index]);
      if (found === '') return null;
      const [x, y, width, height] = found.split(' ').map(Number);
      const origin = desktop.getBoundingClientRect();
      return {x: origin.left + x, y: origin.top + y, width, height};
    },
    // The canvas a screen is shown on, and its visible controls (kind: R
    // rectangle, O oval, L label, I picture, P stretched picture, B button;
    // name; the box they paint in, in the design's pixels).
    canvas(screen) {
      const id = program ? program.ccall('kestrin_window_of', 'number', ['string'], [screen]) : 0;
      const w = windows.get(id);
      return w ? w.canvas : null;
    },
    controls(screen) {
      const found = program ? program.ccall('kestrin_controls', 'string', ['string'], [screen]) : '';
      return found.split('\n').filter((l) => l !== '').map((l) => {
        const [kind, name, x, y, width, height] = l.split(' ');
        return {kind, name, x: +x, y: +y, width: +width, height: +height};
      });
    },
    captions: () => text('kestrin_captions'),
    recording: () => text('kestrin_recording'),
    trace: () => text('kestrin_trace'),
    session: () => session,
    lateness: () => lateness,
    watch: (script, name) => watch(script, name || 'a recording'),
    restart: play,
  };

  async function boot() {
    const watchUrl = params.get('watch');
    const speed = params.get('speed');
    if (speed) {
      if (![...speedChoice.options].some((o) => o.value === speed)) speedChoice.append(new Option(speed + '×', speed));
      speedChoice.value = speed;
    }
    program = await createKestrin({page});
    measureFrame();
    tellDesktop();
    await loadPictures();
    if (watchUrl) {
      const response = await fetch(watchUrl);
      if (!response.ok) {
        status.textContent = 'Could not fetch ' + watchUrl + ': ' + response.status;
        return;
      }
      watch(await response.text(), watchUrl);
    } else {
      play();
    }
    desktop.focus({preventScroll: true});
    window.kestrin.ready = true;
  }

  window.kestrinBoot = boot;
  window.addEventListener('DOMContentLoaded', () => {
    if (typeof createKestrin === 'function') boot();
  });
})();
