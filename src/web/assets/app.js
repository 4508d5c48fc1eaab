// The generic window renderer. The server owns every window; this page draws
// the window stack it is sent (bottom first, a message box or pop-up menu on
// top), sends each user action as one event, and redraws from the answer. It
// knows no window in particular: only the kinds of controls.
"use strict";

(() => {
  const TWIPS = 15;            // twips per pixel
  const GRID_ROW = 20;         // grid row height in pixels
  const TITLE = 26;            // window title bar height in pixels
  const FRAME_W = 8, FRAME_H = 30;  // a desktop window's borders and caption, in pixels

  const $ = (id) => document.getElementById(id);
  let csrf = (document.querySelector('meta[name="csrf-token"]') || {}).content || "";
  if (csrf.startsWith("__")) csrf = "";

  // ---------------------------------------------------------------- server
  async function api(method, path, body) {
    const headers = { "Content-Type": "application/json" };
    if (csrf) headers["X-CSRF-Token"] = csrf;
    let res;
    try {
      res = await fetch(path, {
        method, headers, credentials: "same-origin",
        body: body === undefined ? undefined : JSON.stringify(body),
      });
    } catch (e) {
      return { status: 0, data: { error: "The server cannot be reached." } };
    }
    let data = null;
    try { data = await res.json(); } catch (e) { data = {}; }
    return { status: res.status, data: data || {} };
  }

  // ----------------------------------------------------------------- views
  function show(stage) {
    $("signin").hidden = stage !== "signin";
    $("choose").hidden = stage !== "choose";
    $("windows").hidden = stage !== "run";
    $("signout").hidden = stage === "signin";
    document.body.dataset.stage = stage;
    if (stage !== "run") {
      $("windows").replaceChildren();
      windowViews.clear();
      run.state = null;
      run.queue.length = 0;
      setWhere("");
      document.title = "Hire Purchase Processing";
    }
  }

  function setWhere(text) { $("where").textContent = text; }

  let noticeTimer = 0;
  function notice(text, isError, link) {
    const el = $("notice");
    el.replaceChildren(document.createTextNode(text));
    if (link) {
      const a = document.createElement("a");
      a.href = link.href;
      a.target = "_blank";
      a.rel = "noopener";
      a.textContent = link.text;
      el.appendChild(a);
    }
    el.className = isError ? "error" : "";
    el.hidden = false;
    clearTimeout(noticeTimer);
    noticeTimer = setTimeout(() => { el.hidden = true; }, link ? 15000 : 4500);
  }

  function signInView(message) {
    csrf = "";
    show("signin");
    $("signin-error").textContent = message || "";
    $("signin-password").value = "";
    setTimeout(() => ($("signin-user").value ? $("signin-password") : $("signin-user")).focus(), 0);
  }

  // -------------------------------------------------------------- sign-in
  $("signin-form").addEventListener("submit", async (e) => {
    e.preventDefault();
    const user = $("signin-user").value;
    const password = $("signin-password").value;
    if (!user.trim() || !password) {
      $("signin-error").textContent = "Enter your user name and password.";
      return;
    }
    $("signin-submit").disabled = true;
    const r = await api("POST", "/api/signin", { user, password });
    $("signin-submit").disabled = false;
    if (r.status === 200) {
      csrf = r.data.csrf;
      chooseView(r.data);
    } else {
      $("signin-error").textContent = r.data.error || "Signing in failed.";
      $("signin-password").select();
    }
  });

  let choices = [];
  function chooseView(data) {
    show("choose");
    choices = data.companies || [];
    setWhere(data.user || "");
    const company = $("choose-company");
    company.replaceChildren(...choices.map((c) => new Option(c.name, c.id)));
    company.onchange = () => fillCompany(data.today);
    fillCompany(data.today);
    $("choose-error").textContent = "";
    setTimeout(() => company.focus(), 0);
  }

  function fillCompany(today) {
    const c = choices.find((x) => String(x.id) === $("choose-company").value) || choices[0];
    if (!c) return;
    $("choose-department").replaceChildren(new Option("(All departments)", 0),
      ...c.departments.map((d) => new Option(d.name, d.id)));
    const year = $("choose-year");
    year.replaceChildren(...c.years.map((y) => new Option(y.name, y.id)));
    year.value = String(c.year);
    const fitDate = () => {
      // Today, or the nearest day of the chosen year when today is outside it.
      const y = c.years.find((x) => String(x.id) === year.value);
      let d = today;
      if (y && d < y.start) d = y.start;
      if (y && d > y.end) d = y.end;
      $("choose-date").value = d;
    };
    year.onchange = fitDate;
    fitDate();
  }

  $("choose-form").addEventListener("submit", async (e) => {
    e.preventDefault();
    const body = {
      company: Number($("choose-company").value),
      department: Number($("choose-department").value),
      financial: Number($("choose-year").value),
      date: $("choose-date").value,
    };
    $("choose-open").disabled = true;
    setBusy(true);
    const r = await api("POST", "/api/open", body);
    $("choose-open").disabled = false;
    setBusy(false);
    if (r.status === 401) return signInView("Your session has ended. Please sign in again.");
    if (r.status !== 200) {
      $("choose-error").textContent = r.data.error || "The register could not be opened.";
      return;
    }
    runAnswer(r);
  });

  $("choose-back").addEventListener("click", signOut);
  $("signout").addEventListener("click", signOut);

  async function signOut() {
    await api("POST", "/api/signout");
    signInView("You have signed out.");
  }

  // ------------------------------------------------------------- running
  const run = { state: null, queue: [], inFlight: false, lastDocument: Number(sessionStorage.getItem("hpDoc") || 0) };
  let busyTimer = 0;

  // How many events are on their way, for whoever watches the page (tests).
  function markPending() {
    document.body.dataset.pending = String(run.queue.length + (run.inFlight ? 1 : 0) + (polling ? 1 : 0));
  }

  function setBusy(on) {
    markPending();
    clearTimeout(busyTimer);
    if (on) {
      busyTimer = setTimeout(() => applyBusy(true), 150);
    } else {
      applyBusy(run.state && run.state.busy);
    }
  }
  function applyBusy(on) {
    document.body.classList.toggle("busy", !!on);
    $("working").hidden = !on;
  }

  // Sends one event; events go one at a time, in order.
  function send(ev) {
    if (!run.state) return;
    run.queue.push(ev);
    markPending();
    pump();
  }

  async function pump() {
    if (run.inFlight || run.queue.length === 0) return;
    run.inFlight = true;
    setBusy(true);
    const ev = run.queue.shift();
    const r = await api("POST", "/api/event", ev);
    run.inFlight = false;
    if (runAnswer(r) && run.queue.length) pump();
    else setBusy(false);
  }

  // Takes the server's answer about the running windows; false when the
  // session is over.
  function runAnswer(r) {
    if (r.status === 401) { signInView("Your session has ended. Please sign in again."); return false; }
    if (r.data.ended) { signInView("The register was closed. Sign in to open it again."); return false; }
    if (r.status === 403) { notice(r.data.error || "Refused.", true); return true; }
    if (r.status === 202 || r.data.busy) { poll(); }
    if (r.data.state) {
      run.state = r.data.state;
      show("run");
      if (run.queue.length === 0) render(run.state);
    }
    if (r.status === 0 || r.status >= 500) notice(r.data.error || "The action failed.", true);
    else if (r.status === 400 || r.status === 409) notice(r.data.error || "That is not possible now.", false);
    return true;
  }

  let polling = false;
  async function poll() {
    if (polling) return;
    polling = true;
    for (;;) {
      await new Promise((ok) => setTimeout(ok, 700));
      const r = await api("GET", "/api/state");
      if (!runAnswer(r) || !r.data.busy) break;
    }
    polling = false;
    setBusy(false);
  }

  // ------------------------------------------------------------- helpers
  function colour(v) {
    if (typeof v !== "number" || v < 0 || v > 0xffffff) return "";
    return `rgb(${v & 255},${(v >> 8) & 255},${(v >> 16) & 255})`;
  }
  const px = (twips) => Math.round((twips || 0) / TWIPS);

  // A caption with its "&" accelerator underlined ("&&" is an ampersand).
  function setCaption(el, caption) {
    caption = caption || "";
    if (el._caption === caption) return;
    el._caption = caption;
    el.replaceChildren();
    for (let i = 0; i < caption.length; i++) {
      const ch = caption[i];
      if (ch === "&" && i + 1 < caption.length) {
        i++;
        if (caption[i] === "&") { el.append("&"); continue; }
        const u = document.createElement("u");
        u.className = "acc";
        u.textContent = caption[i];
        el.append(u);
      } else {
        el.append(ch);
      }
    }
  }
  function accelerator(caption) {
    const m = /&([^&])/.exec((caption || "").replace(/&&/g, ""));
    return m ? m[1].toLowerCase() : "";
  }

  // Caret positions: the server counts characters, the page UTF-16 units.
  const chars = (s) => Array.from(s).length;
  function toChars(s, units) { return chars(s.slice(0, units)); }
  function toUnits(s, n) { return Array.from(s).slice(0, Math.max(0, n)).join("").length; }

  // ----------------------------------------------------------- rendering
  const windowViews = new Map();   // window name -> view
  let pointer = { x: 200, y: 200 };
  document.addEventListener("mousemove", (e) => { pointer = { x: e.clientX, y: e.clientY }; }, true);
  document.addEventListener("contextmenu", (e) => { if (document.body.dataset.stage === "run") e.preventDefault(); });

  function topWindow() {
    const w = run.state && run.state.windows;
    return w && w.length ? w[w.length - 1] : null;
  }

  function render(state) {
    const h = state.heading || {};
    setWhere([h.user, h.company, h.department || "All departments", h.year, h.date].filter(Boolean).join("  \u00b7  "));
    const host = $("windows");
    const names = new Set(state.windows.map((w) => w.name));
    for (const [name, view] of windowViews) {
      if (!names.has(name)) { view.root.remove(); windowViews.delete(name); }
    }
    const top = state.windows.length - 1;
    state.windows.forEach((w, i) => {
      let view = windowViews.get(w.name);
      if (view && view.kind !== w.kind) { view.root.remove(); view = null; }
      if (!view) {
        view = w.kind === "msgbox" ? makeMsgBox(w) : w.kind === "menu" ? makeMenu(w) : makeForm(w);
        windowViews.set(w.name, view);
        host.appendChild(view.root);
      }
      view.root.style.zIndex = String(10 + i * 2);
      view.root.classList.toggle("inactive", i !== top);
      view.update(w, i === top);
    });
    const topW = state.windows[top];
    if (topW && topW.caption) document.title = topW.caption;
    applyFocus(state);
    announceDocument(state);
    setBusy(run.inFlight);
  }

  function applyFocus(state) {
    const f = state.focus || {};
    const view = windowViews.get(f.window);
    if (!view) return;
    const el = view.focusTarget(f.control);
    if (el && document.activeElement !== el) {
      suppressFocusEvent = true;
      el.focus({ preventScroll: true });
      suppressFocusEvent = false;
    }
  }
  let suppressFocusEvent = false;

  function announceDocument(state) {
    const d = state.document;
    if (!d || d.id <= run.lastDocument) return;
    run.lastDocument = d.id;
    sessionStorage.setItem("hpDoc", String(d.id));
    notice(`${d.title || "Document"} is ready.`, false, { href: `/api/document/${d.id}`, text: "Open it" });
  }

  // Where a window goes: centred on the desk, each one a little lower.
  function placeWindow(root, width, height, index) {
    const desk = $("desk").getBoundingClientRect();
    const left = Math.max(8, Math.round((desk.width - width) / 2) + index * 18);
    const top = Math.max(8, Math.round((desk.height - height) / 2.4) + index * 18);
    root.style.left = `${left}px`;
    root.style.top = `${top}px`;
  }

  function makeTitlebar(root, onClose) {
    const bar = document.createElement("div");
    bar.className = "titlebar";
    const caption = document.createElement("span");
    caption.className = "caption";
    const close = document.createElement("button");
    close.type = "button";
    close.className = "close";
    close.title = "Close";
    close.textContent = "\u00d7";
    close.tabIndex = -1;
    close.addEventListener("click", onClose);
    bar.append(caption, close);
    // Windows may be moved by their title bar; the position is the page's own.
    bar.addEventListener("mousedown", (e) => {
      if (e.button !== 0 || e.target === close) return;
      const start = { x: e.clientX, y: e.clientY, left: root.offsetLeft, top: root.offsetTop };
      const move = (m) => {
        root.style.left = `${Math.max(0, start.left + m.clientX - start.x)}px`;
        root.style.top = `${Math.max(0, start.top + m.clientY - start.y)}px`;
      };
      const up = () => { document.removeEventListener("mousemove", move); document.removeEventListener("mouseup", up); };
      document.addEventListener("mousemove", move);
      document.addEventListener("mouseup", up);
      e.preventDefault();
    });
    root.appendChild(bar);
    return caption;
  }

  // --------------------------------------------------------------- forms
  function makeForm(w) {
    const root = document.createElement("div");
    root.className = "win form";
    root.dataset.window = w.name;
    const captionEl = makeTitlebar(root, () => send({ window: w.name, control: "", type: "close" }));
    const client = document.createElement("div");
    client.className = "client";
    root.appendChild(client);
    const blocker = document.createElement("div");
    blocker.className = "blocker";
    root.appendChild(blocker);
    const view = { kind: "form", root, name: w.name, controls: new Map(), state: w, placed: false };

    view.update = (w2, isTop) => {
      view.state = w2;
      captionEl.textContent = w2.caption || "";
      root.classList.toggle("busy", !!w2.busy);
      // Client size: the window's size less its frame (borders and caption,
      // as on the desktop the layouts were made for), grown to take in a
      // control that starts inside the window but runs past its edge. A
      // control placed wholly outside is parked out of sight, as there.
      let needW = 0, needH = 0;
      for (const c of w2.controls) {
        if (c.container || c.shown === false) continue;
        if (c.left < w2.width && c.top < w2.height) {
          needW = Math.max(needW, px(c.left + c.width) + 6);
          needH = Math.max(needH, px(c.top + c.height) + 6);
        }
      }
      const cw = Math.max(px(w2.width) - FRAME_W, needW, 120);
      const ch = Math.max(px(w2.height) - FRAME_H, needH, 24);
      client.style.width = `${cw}px`;
      client.style.height = `${ch}px`;
      if (w2.backColor !== undefined) client.style.background = colour(w2.backColor);
      // Create what is new, then hang each control in its container.
      for (const c of w2.controls) {
        let cv = view.controls.get(c.name);
        if (!cv || cv.kindName !== c.kind) {
          if (cv) cv.el.remove();
          cv = makeControl(view, c);
          cv.kindName = c.kind;
          view.controls.set(c.name, cv);
        }
      }
      for (const c of w2.controls) {
        const cv = view.controls.get(c.name);
        const parent = c.container && view.controls.get(c.container) ? view.controls.get(c.container).inner : client;
        if (cv.el.parentNode !== parent) parent.appendChild(cv.el);
        place(cv.el, c);
        cv.update(c, w2);
      }
      if (!view.placed) {
        placeWindow(root, cw + 2, ch + TITLE + 2, windowViews.size - 1);
        view.placed = true;
      }
    };
    view.focusTarget = (name) => {
      const cv = view.controls.get(name);
      return cv && cv.focusEl ? cv.focusEl : null;
    };
    return view;
  }

  function place(el, c) {
    el.style.left = `${px(c.left)}px`;
    el.style.top = `${px(c.top)}px`;
    el.style.width = `${px(c.width)}px`;
    el.style.height = `${px(c.height)}px`;
    el.classList.toggle("hidden", c.shown === false || c.visible === false);
    el.style.color = colour(c.foreColor);
    el.style.backgroundColor = colour(c.backColor);
    el.title = c.toolTip || "";
  }

  // What an event on control `c` of window view `v` looks like.
  function ev(v, c, type, extra) {
    return Object.assign({ window: v.name, control: c.name, type }, extra || {});
  }

  // The keys every control sends: Enter, Esc, arrows in lists, control codes.
  function commonKeys(v, name, e, opts) {
    const o = opts || {};
    if (e.key === "Enter" && !e.altKey) {
      e.preventDefault();
      send(ev(v, { name }, "key", { key: e.ctrlKey ? 10 : 13 }));
      return true;
    }
    if (o.arrows) {
      // Keys without a character: 0x110000 + key code, above every Unicode character.
      const special = 0x110000;
      const codes = { ArrowUp: special + 38, ArrowDown: special + 40, PageUp: special + 33, PageDown: special + 34 };
      if (codes[e.key]) {
        e.preventDefault();
        send(ev(v, { name }, "key", { key: codes[e.key] }));
        return true;
      }
      if (e.key.length === 1 && !e.ctrlKey && !e.metaKey && !e.altKey) {
        e.preventDefault();
        send(ev(v, { name }, "key", { key: e.key.codePointAt(0), value: e.key }));
        return true;
      }
    }
    return false;
  }

  function makeControl(v, c) {
    switch (c.kind) {
      case "label": return makeLabel(v, c);
      case "frame": return makeFrame(v, c);
      case "button": return makeButton(v, c);
      case "text": return makeText(v, c);
      case "combo": return c.editable ? makeEditableCombo(v, c) : makeListCombo(v, c);
      case "option": return makeCheck(v, c, "radio");
      case "checkbox": return makeCheck(v, c, "checkbox");
      case "date": return makeDate(v, c);
      case "list": return makeList(v, c);
      case "grid": return makeGrid(v, c);
      case "tabs": return makeTabs(v, c);
      default: {
        const el = document.createElement("div");
        el.className = "ctl";
        return { el, inner: el, update() {} };
      }
    }
  }

  function makeLabel(v, c) {
    const el = document.createElement("div");
    el.className = "ctl label";
    el.dataset.control = c.name;
    return { el, inner: el, update(c2) { setCaption(el, c2.caption); el.classList.toggle("disabled", !c2.enabled); } };
  }

  function makeFrame(v, c) {
    const el = document.createElement("div");
    el.className = "ctl frame";
    el.dataset.control = c.name;
    const legend = document.createElement("span");
    legend.className = "legend";
    el.appendChild(legend);
    return {
      el, inner: el,
      update(c2) { setCaption(legend, c2.caption); legend.hidden = !c2.caption; },
    };
  }

  function makeButton(v, c) {
    const el = document.createElement("button");
    el.type = "button";
    el.className = "ctl";
    el.dataset.control = c.name;
    el.addEventListener("click", () => send(ev(v, c, "click")));
    el.addEventListener("keydown", (e) => {
      // Enter and Space click the button natively.
      if (e.key === "Enter" || e.key === " ") return;
      commonKeys(v, c.name, e);
    });
    return {
      el, inner: el, focusEl: el,
      update(c2, w) {
        setCaption(el, c2.caption);
        el.disabled = !c2.enabled;
        el.classList.toggle("default", w.defaultButton === c2.name);
      },
    };
  }

  // Text boxes: every key goes to the server with the caret; the character is
  // shown at once and the answer, the window's own result, replaces it.
  // `whole(value, inputEvent)` sends a text that arrives whole (paste, cut,
  // an input method); by default as a "change".
  function attachTyping(v, name, input, isLocked, whole) {
    const sendWhole = whole || ((value) => send(ev(v, { name }, "change", { value })));
    const sel = () => {
      const s = input.selectionStart ?? input.value.length;
      const e = input.selectionEnd ?? s;
      return { start: toChars(input.value, s), length: toChars(input.value, e) - toChars(input.value, s), s, e };
    };
    input.addEventListener("keydown", (e) => {
      if (e.isComposing || e.key === "Dead" || e.key === "Process") return;
      if (e.ctrlKey || e.metaKey || e.altKey) {
        if (e.key === "Enter" && e.ctrlKey) { e.preventDefault(); send(ev(v, { name }, "key", { key: 10 })); }
        return; // clipboard keys stay the browser's; the rest are handled on the page
      }
      if (e.key === "Tab" || e.key === "Escape") return;
      const s = sel();
      if (e.key === "Enter") {
        e.preventDefault();
        send(ev(v, { name }, "key", { key: 13, sel_start: s.start, sel_length: s.length }));
        return;
      }
      if (e.key.length === 1 || e.key === "Backspace" || e.key === "Delete") {
        e.preventDefault();
        if (isLocked()) return;
        if (e.key === "Backspace") {
          send(ev(v, { name }, "key", { key: 8, sel_start: s.start, sel_length: s.length }));
          if (s.e > s.s) input.setRangeText("", s.s, s.e, "end");
          else if (s.s > 0) input.setRangeText("", s.s - 1, s.s, "end");
        } else if (e.key === "Delete") {
          // The delete key is a backspace after the next character.
          const len = chars(input.value);
          if (s.length === 0 && s.start >= len) return;
          send(ev(v, { name }, "key", s.length > 0 ? { key: 8, sel_start: s.start, sel_length: s.length }
            : { key: 8, sel_start: s.start + 1, sel_length: 0 }));
          if (s.e > s.s) input.setRangeText("", s.s, s.e, "end");
          else input.setRangeText("", s.s, s.s + (input.value.codePointAt(s.s) > 0xffff ? 2 : 1), "start");
        } else {
          send(ev(v, { name }, "key", { key: e.key.codePointAt(0), value: e.key, sel_start: s.start, sel_length: s.length }));
          input.setRangeText(e.key, s.s, s.e, "end");
        }
      }
    });
    const replaced = (replacement) => {
      const s = input.selectionStart ?? input.value.length;
      const e = input.selectionEnd ?? s;
      return input.value.slice(0, s) + replacement + input.value.slice(e);
    };
    input.addEventListener("paste", (e) => {
      e.preventDefault();
      if (isLocked()) return;
      const text = (e.clipboardData && e.clipboardData.getData("text/plain")) || "";
      const value = replaced(input.tagName === "TEXTAREA" ? text : text.replace(/\r?\n/g, " "));
      input.value = value;
      sendWhole(value);
    });
    input.addEventListener("cut", (e) => {
      if (isLocked()) { e.preventDefault(); return; }
      const s = input.selectionStart, en = input.selectionEnd;
      if (s === en) return;
      e.preventDefault();
      if (e.clipboardData) e.clipboardData.setData("text/plain", input.value.slice(s, en));
      const value = replaced("");
      input.value = value;
      sendWhole(value);
    });
    input.addEventListener("drop", (e) => e.preventDefault());
    // Anything that changed the text another way (input methods, undo,
    // spelling fixes) arrives whole; the keys above fire no input event.
    input.addEventListener("input", (e) => sendWhole(input.value, e));
  }

  function gotFocus(v, name) {
    return () => {
      if (suppressFocusEvent || !run.state) return;
      const f = run.state.focus || {};
      if (f.window === v.name && f.control === name) return;
      const top = topWindow();
      if (!top || top.name !== v.name) return;
      send(ev(v, { name }, "focus"));
    };
  }

  // Sets the text and caret of an input from the server, unless the user's
  // own keys are still on their way.
  function syncText(input, text, selStart, selLength) {
    if (run.queue.length) return;
    const serverSel = `${selStart}/${selLength}`;
    if (input.value !== text) {
      input.value = text;
      if (selStart !== undefined && document.activeElement === input) {
        input.setSelectionRange(toUnits(text, selStart), toUnits(text, selStart + selLength));
      }
    } else if (selStart !== undefined && input._serverSel !== serverSel) {
      input.setSelectionRange(toUnits(text, selStart), toUnits(text, selStart + selLength));
    }
    input._serverSel = serverSel;
  }

  function makeText(v, c) {
    const input = document.createElement(c.multiLine ? "textarea" : "input");
    if (!c.multiLine) input.type = c.password ? "password" : "text";
    input.className = "ctl";
    input.dataset.control = c.name;
    input.autocomplete = "off";
    input.spellcheck = false;
    let current = c;
    attachTyping(v, c.name, input, () => !!current.locked);
    input.addEventListener("focus", gotFocus(v, c.name));
    return {
      el: input, inner: input, focusEl: input,
      update(c2) {
        current = c2;
        input.disabled = !c2.enabled;
        input.readOnly = !!c2.locked;
        syncText(input, c2.text || "", c2.selStart, c2.selLength);
      },
    };
  }

  function makeListCombo(v, c) {
    const select = document.createElement("select");
    select.className = "ctl";
    select.dataset.control = c.name;
    let itemsKey = "";
    select.addEventListener("change", () => send(ev(v, c, "select", { item: select.selectedIndex })));
    select.addEventListener("keydown", (e) => commonKeys(v, c.name, e));
    select.addEventListener("focus", gotFocus(v, c.name));
    return {
      el: select, inner: select, focusEl: select,
      update(c2) {
        const key = JSON.stringify(c2.items);
        if (key !== itemsKey) {
          itemsKey = key;
          select.replaceChildren(...c2.items.map((t, i) => new Option(t, i)));
        }
        if (!run.queue.length) select.selectedIndex = c2.index;
        select.disabled = !c2.enabled || !!c2.locked;
      },
    };
  }

  function makeEditableCombo(v, c) {
    const el = document.createElement("div");
    el.className = "ctl combo";
    el.dataset.control = c.name;
    const input = document.createElement("input");
    input.type = "text";
    input.autocomplete = "off";
    input.spellcheck = false;
    const listId = `dl-${v.name}-${c.name}`;
    input.setAttribute("list", listId);
    const datalist = document.createElement("datalist");
    datalist.id = listId;
    el.append(input, datalist);
    let current = c;
    let itemsKey = "";
    // A choice from the drop-down arrives as a whole new text: an entry of
    // the list is chosen as such.
    attachTyping(v, c.name, input, () => !!current.locked, (value, e) => {
      const i = current.items.indexOf(value);
      const picked = e && (e.inputType === "insertReplacementText" || e.inputType === undefined);
      if (i >= 0 && picked) send(ev(v, current, "select", { item: i }));
      else send(ev(v, current, "change", { value }));
    });
    input.addEventListener("focus", gotFocus(v, c.name));
    return {
      el, inner: el, focusEl: input,
      update(c2) {
        current = c2;
        const key = JSON.stringify(c2.items);
        if (key !== itemsKey) {
          itemsKey = key;
          datalist.replaceChildren(...c2.items.map((t) => { const o = document.createElement("option"); o.value = t; return o; }));
        }
        input.disabled = !c2.enabled;
        input.readOnly = !!c2.locked;
        syncText(input, c2.text || "", undefined, undefined);
      },
    };
  }

  function makeCheck(v, c, type) {
    const el = document.createElement("label");
    el.className = "ctl check";
    el.dataset.control = c.name;
    const input = document.createElement("input");
    input.type = type;
    const text = document.createElement("span");
    el.append(input, text);
    input.addEventListener("click", (e) => {
      // The server decides; the box shows its answer.
      e.preventDefault();
      send(ev(v, c, "click"));
    });
    input.addEventListener("keydown", (e) => {
      if (e.key === " ") return;
      commonKeys(v, c.name, e);
    });
    input.addEventListener("focus", gotFocus(v, c.name));
    return {
      el, inner: el, focusEl: input,
      update(c2) {
        setCaption(text, c2.caption);
        input.checked = type === "radio" ? !!c2.value : c2.value === 1;
        input.disabled = !c2.enabled;
        el.classList.toggle("disabled", !c2.enabled);
      },
    };
  }

  function makeDate(v, c) {
    const input = document.createElement("input");
    input.type = "date";
    input.className = "ctl";
    input.dataset.control = c.name;
    input.addEventListener("change", () => { if (input.value) send(ev(v, c, "change", { value: input.value })); });
    input.addEventListener("keydown", (e) => commonKeys(v, c.name, e));
    input.addEventListener("focus", gotFocus(v, c.name));
    return {
      el: input, inner: input, focusEl: input,
      update(c2) {
        if (!run.queue.length && input.value !== (c2.value || "")) input.value = c2.value || "";
        input.disabled = !c2.enabled;
        input.readOnly = !!c2.locked;
      },
    };
  }

  // ----------------------------------------------------------------- lists
  function makeList(v, c) {
    const el = document.createElement("div");
    el.className = "ctl list";
    el.dataset.control = c.name;
    el.tabIndex = 0;
    const table = document.createElement("table");
    const colgroup = document.createElement("colgroup");
    const thead = document.createElement("thead");
    const tbody = document.createElement("tbody");
    table.append(colgroup, thead, tbody);
    el.appendChild(table);
    let current = c;
    let headKey = "";
    let lastSelected = -2;
    const rowOf = (e) => {
      const tr = e.target.closest("tr[data-item]");
      return tr ? Number(tr.dataset.item) : -1;
    };
    tbody.addEventListener("click", (e) => {
      const item = rowOf(e);
      if (item < 0) return;
      if (e.target.matches("input[type=checkbox]")) {
        e.preventDefault();
        send(ev(v, current, "check", { item, value: current.checked[item] ? "0" : "1" }));
        return;
      }
      send(ev(v, current, "select", { item }));
    });
    tbody.addEventListener("dblclick", (e) => {
      const item = rowOf(e);
      if (item >= 0 && !e.target.matches("input")) send(ev(v, current, "dblclick", { item }));
    });
    el.addEventListener("mousedown", (e) => {
      if (e.button === 2) send(ev(v, current, "mousedown", { item: rowOf(e), button: 2 }));
    });
    el.addEventListener("keydown", (e) => commonKeys(v, c.name, e, { arrows: true }));
    el.addEventListener("focus", gotFocus(v, c.name));
    return {
      el, inner: el, focusEl: el,
      update(c2) {
        current = c2;
        const ticks = Array.isArray(c2.checked);
        const key = JSON.stringify([c2.columns, ticks]);
        if (key !== headKey) {
          headKey = key;
          colgroup.replaceChildren();
          const tr = document.createElement("tr");
          if (ticks) {
            const col = document.createElement("col");
            col.style.width = "24px";
            colgroup.appendChild(col);
            tr.appendChild(document.createElement("th"));
          }
          let total = ticks ? 24 : 0;
          for (const column of c2.columns) {
            const col = document.createElement("col");
            col.style.width = `${px(column.width)}px`;
            total += px(column.width);
            colgroup.appendChild(col);
            const th = document.createElement("th");
            th.textContent = column.header;
            tr.appendChild(th);
          }
          table.style.width = `${total}px`;
          thead.replaceChildren(tr);
        }
        // Rows are updated in place, so that a click in progress keeps its row.
        const n = c2.rows.length;
        while (tbody.rows.length > n) tbody.deleteRow(-1);
        for (let i = 0; i < n; i++) {
          let tr = tbody.rows[i];
          const cells = c2.rows[i];
          const width = cells.length + (ticks ? 1 : 0);
          if (!tr || tr.cells.length !== width) {
            const fresh = document.createElement("tr");
            if (ticks) {
              const td = document.createElement("td");
              td.className = "tick";
              const box = document.createElement("input");
              box.type = "checkbox";
              box.tabIndex = -1;
              td.appendChild(box);
              fresh.appendChild(td);
            }
            for (let j = 0; j < cells.length; j++) fresh.appendChild(document.createElement("td"));
            if (tr) tbody.replaceChild(fresh, tr); else tbody.appendChild(fresh);
            tr = fresh;
          }
          tr.dataset.item = String(i);
          tr.classList.toggle("sel", i === c2.selected);
          if (ticks) tr.cells[0].firstChild.checked = !!c2.checked[i];
          for (let j = 0; j < cells.length; j++) {
            const td = tr.cells[j + (ticks ? 1 : 0)];
            if (td.textContent !== cells[j]) { td.textContent = cells[j]; td.title = cells[j]; }
          }
        }
        if (c2.selected !== lastSelected && c2.selected >= 0 && tbody.rows[c2.selected]) {
          tbody.rows[c2.selected].scrollIntoView({ block: "nearest" });
        }
        lastSelected = c2.selected;
        el.classList.toggle("disabled", !c2.enabled);
      },
    };
  }

  // ----------------------------------------------------------------- grids
  // Only the rows the server sent are drawn, each where it would be in the
  // whole grid; scrolling tells the server the new top row and it sends the
  // rows around it.
  function makeGrid(v, c) {
    const el = document.createElement("div");
    el.className = "ctl grid";
    el.dataset.control = c.name;
    el.tabIndex = 0;
    const head = document.createElement("div");
    head.className = "ghead";
    const body = document.createElement("div");
    body.className = "gbody";
    const spacer = document.createElement("div");
    spacer.style.position = "relative";
    body.appendChild(spacer);
    el.append(head, body);
    let current = c;
    let rowEls = new Map();
    let lastTop = -1, lastRow = -1;
    let scrollTimer = 0, hoverTimer = 0, hoverCell = "";
    let programmaticScroll = false;

    const cellAt = (e) => {
      const cell = e.target.closest(".gcell");
      const row = e.target.closest(".grow");
      if (!cell || !row) return null;
      return { row: Number(row.dataset.row), col: Number(cell.dataset.col) };
    };
    body.addEventListener("click", (e) => {
      const at = cellAt(e);
      if (at) send(ev(v, current, "click", at));
    });
    body.addEventListener("dblclick", (e) => {
      const at = cellAt(e);
      if (at) send(ev(v, current, "dblclick", at));
    });
    body.addEventListener("mousemove", (e) => {
      const at = cellAt(e);
      const key = at ? `${at.row}/${at.col}` : "";
      if (key === hoverCell) return;
      hoverCell = key;
      clearTimeout(hoverTimer);
      if (at) hoverTimer = setTimeout(() => { if (!run.inFlight && !run.queue.length) send(ev(v, current, "mousemove", at)); }, 450);
    });
    body.addEventListener("mouseleave", () => { clearTimeout(hoverTimer); hoverCell = ""; });
    body.addEventListener("scroll", () => {
      head.scrollLeft = body.scrollLeft;
      if (programmaticScroll) { programmaticScroll = false; return; }
      clearTimeout(scrollTimer);
      scrollTimer = setTimeout(() => {
        const top = current.fixedRows + Math.floor(body.scrollTop / GRID_ROW);
        if (top !== current.topRow) send(ev(v, current, "scroll", { row: top }));
      }, 120);
    });
    el.addEventListener("keydown", (e) => commonKeys(v, c.name, e, { arrows: true }));
    el.addEventListener("focus", gotFocus(v, c.name));

    function columns(c2) {
      const cols = [];
      let x = 0;
      for (let j = 0; j < c2.cols; j++) {
        const w = px(c2.widths[j]);
        cols.push({ j, x, w });
        x += w;
      }
      return { cols, total: x };
    }

    function fillRow(rowEl, c2, r, data, layout) {
      const texts = (data && data.text) || [];
      const colours = data && data.colours;
      const lo = Math.min(c2.row, c2.rowSel), hi = Math.max(c2.row, c2.rowSel);
      const selected = r >= lo && r <= hi && r >= c2.fixedRows;
      rowEl.classList.toggle("sel", selected);
      rowEl.classList.toggle("current", r === c2.row);
      rowEl.dataset.row = String(r);
      if (rowEl.children.length !== layout.cols.length) {
        rowEl.replaceChildren(...layout.cols.map(() => document.createElement("div")));
      }
      layout.cols.forEach((col, k) => {
        const cell = rowEl.children[k];
        cell.className = "gcell" + (col.j === c2.col ? " current" : "");
        cell.dataset.col = String(col.j);
        cell.style.width = `${col.w}px`;
        cell.style.display = col.w === 0 ? "none" : "";
        const t = texts[col.j] ?? "";
        if (cell.textContent !== t) cell.textContent = t;
        let colourValue = colours ? colours[col.j] : -1;
        if (selected && typeof c2.foreColorSel === "number" && colour(c2.foreColorSel)) colourValue = c2.foreColorSel;
        cell.style.color = colour(colourValue);
      });
      rowEl.style.width = `${layout.total}px`;
    }

    function startResize(e, c2, col) {
      e.preventDefault();
      e.stopPropagation();
      const startX = e.clientX;
      const startW = px(c2.widths[col]);
      let w = startW;
      const cells = () => el.querySelectorAll(`.gcell[data-col="${col}"]`);
      const move = (m) => {
        w = Math.max(8, startW + m.clientX - startX);
        cells().forEach((cell) => { cell.style.width = `${w}px`; });
      };
      const up = () => {
        document.removeEventListener("mousemove", move);
        document.removeEventListener("mouseup", up);
        if (w !== startW) send(ev(v, current, "colwidth", { col, value: String(w * TWIPS) }));
      };
      document.addEventListener("mousemove", move);
      document.addEventListener("mouseup", up);
    }

    return {
      el, inner: el, focusEl: el,
      update(c2) {
        current = c2;
        const layout = columns(c2);
        // Heading rows.
        head.replaceChildren();
        for (let r = 0; r < c2.fixedRows; r++) {
          const rowEl = document.createElement("div");
          rowEl.className = "grow";
          fillRow(rowEl, c2, r, c2.cells[String(r)], layout);
          rowEl.classList.remove("sel", "current");
          layout.cols.forEach((col, k) => {
            if (col.w === 0) return;
            const handle = document.createElement("span");
            handle.className = "resize";
            handle.addEventListener("mousedown", (e) => startResize(e, current, col.j));
            rowEl.children[k].appendChild(handle);
          });
          head.appendChild(rowEl);
        }
        // Body rows, placed at their position in the whole grid.
        const dataRows = Math.max(0, c2.rows - c2.fixedRows);
        spacer.style.height = `${dataRows * GRID_ROW}px`;
        spacer.style.width = `${layout.total}px`;
        const seen = new Set();
        for (const key of Object.keys(c2.cells)) {
          const r = Number(key);
          if (r < c2.fixedRows) continue;
          seen.add(r);
          let rowEl = rowEls.get(r);
          if (!rowEl) {
            rowEl = document.createElement("div");
            rowEl.className = "grow";
            rowEls.set(r, rowEl);
            spacer.appendChild(rowEl);
          }
          rowEl.style.top = `${(r - c2.fixedRows) * GRID_ROW}px`;
          fillRow(rowEl, c2, r, c2.cells[key], layout);
        }
        for (const [r, rowEl] of rowEls) {
          if (!seen.has(r)) { rowEl.remove(); rowEls.delete(r); }
        }
        // Follow the server's top row when it moved it (a search), and keep
        // the current row in view when it moved.
        if (c2.topRow !== lastTop) {
          const want = Math.max(0, (c2.topRow - c2.fixedRows) * GRID_ROW);
          const shownTop = c2.fixedRows + Math.floor(body.scrollTop / GRID_ROW);
          if (shownTop !== c2.topRow) { programmaticScroll = true; body.scrollTop = want; }
          lastTop = c2.topRow;
        }
        if (c2.row !== lastRow && c2.row >= c2.fixedRows) {
          const y = (c2.row - c2.fixedRows) * GRID_ROW;
          if (y < body.scrollTop) body.scrollTop = y;
          else if (y + GRID_ROW > body.scrollTop + body.clientHeight) body.scrollTop = y + GRID_ROW - body.clientHeight;
        }
        lastRow = c2.row;
        el.classList.toggle("disabled", !c2.enabled);
      },
    };
  }

  // ------------------------------------------------------------------ tabs
  function makeTabs(v, c) {
    const el = document.createElement("div");
    el.className = "ctl tabs";
    el.dataset.control = c.name;
    const bar = document.createElement("div");
    bar.className = "tabbar";
    el.appendChild(bar);
    let key = "";
    return {
      el, inner: el, focusEl: null,
      update(c2) {
        const k = JSON.stringify([c2.tabs, c2.current, c2.enabled]);
        if (k === key) return;
        key = k;
        bar.replaceChildren(...c2.tabs.map((t, i) => {
          const b = document.createElement("button");
          b.type = "button";
          setCaption(b, t.caption);
          b.disabled = !t.enabled || !c2.enabled;
          b.classList.toggle("current", i === c2.current);
          b.addEventListener("click", () => send(ev(v, c2, "select", { item: i })));
          return b;
        }));
      },
    };
  }

  // ------------------------------------------------- message box and menu
  const ICON_TEXT = { information: "i", question: "?", exclamation: "!", critical: "\u00d7" };

  function makeMsgBox(w) {
    const root = document.createElement("div");
    root.className = "win msgbox";
    root.dataset.window = w.name;
    root.setAttribute("role", "alertdialog");
    const caption = makeTitlebar(root, () => send({ window: w.name, control: "", type: "close" }));
    const body = document.createElement("div");
    body.className = "body";
    const icon = document.createElement("div");
    const prompt = document.createElement("div");
    prompt.className = "prompt";
    body.append(icon, prompt);
    const buttons = document.createElement("div");
    buttons.className = "buttons";
    root.append(body, buttons);
    const blocker = document.createElement("div");
    blocker.className = "blocker";
    root.appendChild(blocker);
    const view = { kind: "msgbox", root, name: w.name, buttons: new Map(), placed: false, key: "" };
    view.update = (w2) => {
      const key = JSON.stringify([w2.caption, w2.prompt, w2.buttons, w2.icon]);
      if (key !== view.key) {
        view.key = key;
        caption.textContent = w2.caption || "Hire Purchase";
        icon.className = w2.icon ? `icon ${w2.icon}` : "";
        icon.textContent = ICON_TEXT[w2.icon] || "";
        prompt.textContent = (w2.prompt || "").replace(/\r\n?/g, "\n");
        view.buttons.clear();
        buttons.replaceChildren(...w2.buttons.map((name) => {
          const b = document.createElement("button");
          b.type = "button";
          b.className = "ctl";
          b.textContent = name;
          b.dataset.button = name;
          b.addEventListener("click", () => send({ window: w2.name, control: name, type: "click" }));
          view.buttons.set(name, b);
          return b;
        }));
        view.placed = false;
      }
      buttons.querySelectorAll("button").forEach((b) => b.classList.toggle("default", b.dataset.button === w2.defaultButton));
      if (!view.placed && root.isConnected) {
        placeWindow(root, root.offsetWidth, root.offsetHeight, 1);
        view.placed = true;
      }
    };
    view.focusTarget = (name) => view.buttons.get(name) || null;
    root.addEventListener("keydown", (e) => {
      if (e.key === "Escape") { e.preventDefault(); send({ window: w.name, control: "", type: "key", key: 27 }); }
      else if (e.key.length === 1 && /[a-z]/i.test(e.key) && !e.ctrlKey && !e.altKey) {
        send({ window: w.name, control: "", type: "key", key: e.key.codePointAt(0), value: e.key });
      }
    });
    return view;
  }

  function makeMenu(w) {
    const root = document.createElement("div");
    root.className = "menu";
    root.dataset.window = w.name;
    root.setAttribute("role", "menu");
    const view = { kind: "menu", root, name: w.name, key: "", first: null };
    const dismiss = (e) => {
      if (!root.isConnected || root.contains(e.target)) return;
      e.preventDefault();
      e.stopPropagation();
      send({ window: w.name, control: "", type: "menu", value: "" });
    };
    view.update = (w2) => {
      const key = JSON.stringify(w2.menu);
      if (key === view.key) return;
      view.key = key;
      root.replaceChildren(...w2.menu.items.map((it) => {
        const b = document.createElement("button");
        b.type = "button";
        b.setAttribute("role", "menuitem");
        setCaption(b, it.caption);
        b.disabled = !it.enabled;
        b.addEventListener("click", () => send({ window: w2.name, control: "", type: "menu", value: it.name }));
        return b;
      }));
      view.first = root.querySelector("button:not(:disabled)");
      const origin = $("windows").getBoundingClientRect();
      const x = Math.min(pointer.x, window.innerWidth - 170) - origin.left;
      const y = Math.min(pointer.y, window.innerHeight - 28 * (w2.menu.items.length + 1)) - origin.top;
      root.style.left = `${Math.max(0, x)}px`;
      root.style.top = `${Math.max(0, y)}px`;
      document.addEventListener("mousedown", dismiss, true);
    };
    const observer = new MutationObserver(() => {
      if (!root.isConnected) { document.removeEventListener("mousedown", dismiss, true); observer.disconnect(); }
    });
    observer.observe($("windows"), { childList: true });
    view.focusTarget = () => view.first;
    root.addEventListener("keydown", (e) => {
      const items = [...root.querySelectorAll("button:not(:disabled)")];
      const i = items.indexOf(document.activeElement);
      if (e.key === "Escape") { e.preventDefault(); send({ window: w.name, control: "", type: "menu", value: "" }); }
      else if (e.key === "ArrowDown" && items.length) { e.preventDefault(); items[(i + 1) % items.length].focus(); }
      else if (e.key === "ArrowUp" && items.length) { e.preventDefault(); items[(i - 1 + items.length) % items.length].focus(); }
    });
    return view;
  }

  // ----------------------------------------------------- keyboard, globally
  function focusOrder(w) {
    return w.controls
      .filter((c) => c.shown !== false && c.enabled && ["button", "text", "combo", "option", "checkbox", "date", "list", "grid"].includes(c.kind))
      .filter((c) => {
        // Inside a disabled frame nothing takes the focus.
        let p = c.container;
        while (p) {
          const pc = w.controls.find((x) => x.name === p);
          if (!pc || !pc.enabled || pc.shown === false) return false;
          p = pc.container;
        }
        return true;
      })
      .sort((a, b) => a.tabIndex - b.tabIndex);
  }

  document.addEventListener("keydown", (e) => {
    if (document.body.dataset.stage !== "run" || !run.state) return;
    const top = topWindow();
    if (!top) return;
    const view = windowViews.get(top.name);
    // Nothing below the top window takes keys.
    const inWindow = e.target.closest && e.target.closest("[data-window]");
    if (inWindow && inWindow.dataset.window !== top.name) { e.preventDefault(); e.stopPropagation(); return; }
    if (top.kind !== "form") return;
    const focusName = (run.state.focus || {}).control;
    const target = inWindow ? (e.target.closest("[data-control]") || {}).dataset : null;
    const name = (target && target.control) || focusName;
    if (e.key === "Tab") {
      e.preventDefault();
      const order = focusOrder(top);
      if (!order.length) return;
      let i = order.findIndex((c) => c.name === name);
      i = e.shiftKey ? (i <= 0 ? order.length - 1 : i - 1) : (i + 1) % order.length;
      const next = order[i];
      const el = view.focusTarget(next.name);
      if (el) { suppressFocusEvent = true; el.focus(); suppressFocusEvent = false; }
      send({ window: top.name, control: next.name, type: "focus" });
      return;
    }
    if (e.key === "Escape") {
      e.preventDefault();
      send({ window: top.name, control: name || "", type: "key", key: 27 });
      return;
    }
    if (e.altKey && !e.ctrlKey && e.key.length === 1) {
      const letter = e.key.toLowerCase();
      const c = top.controls.find((x) => ["button", "option", "checkbox"].includes(x.kind) && x.enabled && x.shown !== false && accelerator(x.caption) === letter);
      if (c) { e.preventDefault(); send({ window: top.name, control: c.name, type: "click" }); }
      return;
    }
    // Control codes (Ctrl+D is 4) reach the focused control, except the
    // clipboard's keys, which stay the browser's.
    if (e.ctrlKey && !e.altKey && !e.metaKey && /^[a-z]$/i.test(e.key) && !"cvxazy".includes(e.key.toLowerCase())) {
      e.preventDefault();
      if (name) send({ window: top.name, control: name, type: "key", key: e.key.toLowerCase().charCodeAt(0) - 96 });
      return;
    }
    if (e.ctrlKey && e.key === "Enter" && name && !(e.target.matches && e.target.matches("input, textarea"))) {
      e.preventDefault();
      send({ window: top.name, control: name, type: "key", key: 10 });
    }
  }, true);

  // ------------------------------------------------------------ start up
  async function start() {
    const r = await api("GET", "/api/state");
    if (r.status === 401 || r.status === 0) return signInView(r.status === 0 ? r.data.error : "");
    if (r.data.stage === "choose") return chooseView(r.data);
    if (!runAnswer(r)) return;
  }
  start();
})();
