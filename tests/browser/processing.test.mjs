// A new processing made through the browser: New, Processing, a customer and
// one of their open invoices, Process Interest, a cheque confirmed in the
// cheque dialog, OK; the register then lists the new processing.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import { chromium } from "playwright-core";

const URL_ = process.env.HP_URL;
const DATE = process.env.HP_DATE || "2024-03-15";
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

const win = (name) => `.win[data-window="${name}"]`;
const ctl = (window, name) => `${win(window)} [data-control="${name}"]`;
const settle = (page) =>
  page.waitForFunction(() => document.body.dataset.pending === "0", null, { timeout: 15000 });

// Answers an information box, if one is up, and returns its text.
async function dismissMessage(page) {
  if (!(await page.$(".win.msgbox"))) return null;
  const text = await page.textContent(".win.msgbox .prompt");
  await page.click('.win.msgbox button[data-button="OK"]');
  await settle(page);
  return text;
}

async function options(page, selector) {
  return page.$$eval(`${selector} option`, (os) => os.map((o) => o.textContent));
}

test("a processing made in the browser appears in the register", async () => {
  const context = await browser.newContext({ viewport: { width: 1366, height: 768 } });
  const page = await context.newPage();
  await page.goto(URL_);
  await page.fill("#signin-user", "demo");
  await page.fill("#signin-password", USERS.demo);
  await page.click("#signin-submit");
  await page.waitForSelector("#choose:not([hidden])");
  await page.fill("#choose-date", DATE);
  await page.click("#choose-open");
  await page.waitForSelector(`${ctl("FrmMaster", "flexMaster")} .gbody .grow`);
  await settle(page);

  await page.click(ctl("FrmMaster", "cmdNew"));
  await settle(page);
  await page.click(ctl("frmSelection", "cmdOK"));
  await settle(page);
  await page.waitForSelector(win("frmProcessing"));

  // The session has no department: choose the first that has customers.
  const departments = await options(page, ctl("frmProcessing", "cbodepartment"));
  let ready = false;
  for (let d = 0; d < departments.length && !ready; d++) {
    if (await page.isEnabled(ctl("frmProcessing", "cbodepartment"))) {
      await page.selectOption(ctl("frmProcessing", "cbodepartment"), { index: d });
      await settle(page);
    }
    const customers = await options(page, ctl("frmProcessing", "cboCustomer"));
    for (let c = 0; c < customers.length && !ready; c++) {
      await page.selectOption(ctl("frmProcessing", "cboCustomer"), { index: c });
      await settle(page);
      await dismissMessage(page);
      const invoices = await options(page, ctl("frmProcessing", "cboInvoice"));
      for (let i = 0; i < invoices.length && !ready; i++) {
        await page.selectOption(ctl("frmProcessing", "cboInvoice"), { index: i });
        await settle(page);
        const message = await dismissMessage(page);
        ready = message === null && (await page.isEnabled(ctl("frmProcessing", "cmdProcess")));
      }
    }
  }
  assert.ok(ready, "an open invoice with a cheque register");

  await page.click(ctl("frmProcessing", "cmdProcess"));
  await settle(page);
  const lines = `${ctl("frmProcessing", "lvwProcessing")} tbody tr`;
  await page.waitForSelector(lines);
  const count = (await page.$$(lines)).length;
  assert.ok(count > 0, "the schedule has lines");
  assert.match(await page.inputValue(ctl("frmProcessing", "txtMonthlyRate")), /^\d+\.\d\d$/);

  // The last line's cheque, confirmed in the dialog, which then closes.
  await page.dblclick(`${lines}:nth-child(${count})`);
  await settle(page);
  await page.waitForSelector(win("frmPopUp"));
  await page.click(ctl("frmPopUp", "cmdOK"));
  await settle(page);
  await page.waitForSelector(win("frmPopUp"), { state: "detached" });

  await page.click(ctl("frmProcessing", "cmdOK"));
  await settle(page);
  assert.equal(await dismissMessage(page), null, "the save raised no message");
  await page.waitForSelector(win("frmProcessing"), { state: "detached" });

  // The new row is the register's current row.
  const selected = await page.$$eval(`${ctl("FrmMaster", "flexMaster")} .grow.sel`, (rows) =>
    rows.map((r) => [...r.children].map((c) => c.textContent)));
  assert.equal(selected.length, 1);
  assert.match(selected[0][1], /\S/, "a processing number");
  assert.equal(selected[0][2], DATE);
  assert.equal(selected[0][6], "No");
  await context.close();
});
