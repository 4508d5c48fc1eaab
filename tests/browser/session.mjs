// What the flow tests share: the browser, signing in to the register, and
// waiting for and answering the server's windows.
import { before, after, afterEach } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { chromium } from "playwright-core";

const URL_ = process.env.HP_URL;
export const DATE = process.env.HP_DATE || "2024-03-15";
const USERS = Object.fromEntries(
  fs.readFileSync(process.env.HP_PASSWORDS, "utf8").trim().split("\n").map((l) => l.split(" ")),
);

let browser;
before(async () => {
  browser = await chromium.launch({
    executablePath: process.env.HP_CHROMIUM || "/usr/bin/chromium",
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking"],
  });
});
after(async () => { await browser?.close(); });

// Every page opened by a test is closed after it; when the test failed, a
// picture of what the page showed is kept in out/.
const OUT = process.env.HP_OUT || path.join(path.dirname(new URL(import.meta.url).pathname), "out");
const pages = [];
afterEach(async (t) => {
  for (const page of pages.splice(0)) {
    if (t.passed === false || process.env.HP_KEEP_SHOTS) {
      fs.mkdirSync(OUT, { recursive: true });
      await page.screenshot({ path: path.join(OUT, `${t.name.replace(/\W+/g, "_")}.png`) }).catch(() => {});
    }
    await page.context().close();
  }
});

export const win = (name) => `.win[data-window="${name}"]`;
export const ctl = (window, name) => `${win(window)} [data-control="${name}"]`;

// Waits until the page has no event on its way and the server has answered.
export const settle = (page) =>
  page.waitForFunction(() => document.body.dataset.pending === "0", null, { timeout: 15000 });
export const press = async (page, selector) => { await page.click(selector); await settle(page); };
export const choose = async (page, selector, option) => { await page.selectOption(selector, option); await settle(page); };
// Types into a control key by key, as a user does.
export async function type(page, selector, text, delay = 10) {
  await page.click(selector);
  await page.keyboard.type(text, { delay });
  await settle(page);
}

// A page of its own browser context; an error thrown by the page's script
// fails the test.
export async function newPage() {
  const context = await browser.newContext({ viewport: { width: 1366, height: 768 } });
  const page = await context.newPage();
  page.on("pageerror", (e) => { throw e; });
  pages.push(page);
  return page;
}

export async function signIn(page, user, password = USERS[user]) {
  await page.goto(URL_);
  await page.fill("#signin-user", user);
  await page.fill("#signin-password", password);
  await page.click("#signin-submit");
}

// A page of a new browser context signed in as `user` with the register open.
export async function openRegister(user = "demo") {
  const page = await newPage();
  await signIn(page, user);
  await page.waitForSelector("#choose:not([hidden])");
  await page.fill("#choose-date", DATE);
  await page.click("#choose-open");
  await page.waitForSelector(`${ctl("FrmMaster", "flexMaster")} .gbody .grow`);
  await settle(page);
  return page;
}

// Answers a message box, if one is up (OK, or Yes to a question), and
// returns its text; null when there was none.
export async function dismissMessage(page) {
  if (!(await page.$(".win.msgbox"))) return null;
  const text = await page.textContent(".win.msgbox .prompt");
  const ok = await page.$('.win.msgbox button[data-button="OK"]');
  await press(page, `.win.msgbox button[data-button="${ok ? "OK" : "Yes"}"]`);
  return text;
}

export const options = (page, selector) => page.$$eval(`${selector} option`, (os) => os.map((o) => o.textContent));

// The register rows drawn now, in row order: {row, selected, cells (texts,
// column 0 the hidden id), colours}.
export async function gridRows(page) {
  return page.$$eval(`${ctl("FrmMaster", "flexMaster")} .gbody .grow`, (rows) =>
    rows.map((r) => ({
      row: Number(r.dataset.row),
      selected: r.classList.contains("sel"),
      cells: [...r.children].map((c) => c.textContent),
      colours: [...r.children].map((c) => getComputedStyle(c).color),
    })).sort((a, b) => a.row - b.row));
}

// The one selected register row.
export async function currentRow(page) {
  const rows = (await gridRows(page)).filter((r) => r.selected);
  assert.equal(rows.length, 1, "one row is current");
  return rows[0];
}

// Types `text` in the register's search box, searching by `column` if given.
export async function search(page, column, text) {
  if (column) await choose(page, ctl("FrmMaster", "cboSearch"), { label: column });
  await type(page, ctl("FrmMaster", "txtsearch"), text, 20);
}

// Presses the screen's OK and waits for it to close with no message.
export async function save(page, screen, ok) {
  await press(page, ctl(screen, ok));
  const message = await dismissMessage(page);
  assert.equal(message, null, `the save raised no message: ${message}`);
  await page.waitForSelector(win(screen), { state: "detached" });
}

// Opens a working screen through New and the mode dialog's option.
export async function openNew(page, option, screen) {
  await press(page, ctl("FrmMaster", "cmdNew"));
  if (option) await press(page, `${ctl("frmSelection", option)} input`);
  await press(page, ctl("frmSelection", "cmdOK"));
  await page.waitForSelector(win(screen));
}

// Walks department, customer and the third combo (invoice or processing) of
// `screen` until `accept(page, text)` holds after a choice; returns the text
// of the entry accepted, or null.
export async function chooseFirst(page, screen, third, accept) {
  const departments = await options(page, ctl(screen, "cbodepartment"));
  for (let d = 0; d < Math.max(departments.length, 1); d++) {
    if (departments.length && (await page.isEnabled(ctl(screen, "cbodepartment"))))
      await choose(page, ctl(screen, "cbodepartment"), { index: d });
    const customers = await options(page, ctl(screen, "cboCustomer"));
    for (let c = 0; c < customers.length; c++) {
      await choose(page, ctl(screen, "cboCustomer"), { index: c });
      await dismissMessage(page);
      const entries = await options(page, ctl(screen, third));
      for (let i = 0; i < entries.length; i++) {
        await choose(page, ctl(screen, third), { index: i });
        const message = await dismissMessage(page);
        if (message === null && (await accept(page))) return entries[i];
      }
    }
  }
  return null;
}
