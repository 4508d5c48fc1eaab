// A re-processing after settlement made through the browser: the settled
// rentals of a processing become the new one, which the register lists.
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

// Answers a message box, if one is up (OK, or Yes to a question), and
// returns its text.
async function dismissMessage(page) {
  if (!(await page.$(".win.msgbox"))) return null;
  const text = await page.textContent(".win.msgbox .prompt");
  const ok = await page.$('.win.msgbox button[data-button="OK"]');
  await page.click(ok ? '.win.msgbox button[data-button="OK"]' : '.win.msgbox button[data-button="Yes"]');
  await settle(page);
  return text;
}

const options = (page, selector) => page.$$eval(`${selector} option`, (os) => os.map((o) => o.textContent));

async function gridRows(page) {
  return page.$$eval(`${ctl("FrmMaster", "flexMaster")} .gbody .grow`, (rows) =>
    rows.map((r) => ({ selected: r.classList.contains("sel"), cells: [...r.children].map((c) => c.textContent) })));
}

test("a re-processing after settlement appears in the register", async () => {
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
  await page.click(`${ctl("frmSelection", "optAfterSettlement")} input`);
  await settle(page);
  await page.click(ctl("frmSelection", "cmdOK"));
  await settle(page);
  const screen = "frmReprocessingAfterSettlemt";
  await page.waitForSelector(win(screen));

  // A processing with settled rentals: they fill the previous-settlements list.
  const lines = `${ctl(screen, "lvwPreDetails")} tbody tr`;
  let chosen = null;
  const departments = await options(page, ctl(screen, "cbodepartment"));
  for (let d = 0; d < departments.length && !chosen; d++) {
    if (await page.isEnabled(ctl(screen, "cbodepartment"))) {
      await page.selectOption(ctl(screen, "cbodepartment"), { index: d });
      await settle(page);
    }
    const customers = await options(page, ctl(screen, "cboCustomer"));
    for (let c = 0; c < customers.length && !chosen; c++) {
      await page.selectOption(ctl(screen, "cboCustomer"), { index: c });
      await settle(page);
      await dismissMessage(page);
      const numbers = await options(page, ctl(screen, "cboPrrocNo"));
      for (let p = 0; p < numbers.length && !chosen; p++) {
        await page.selectOption(ctl(screen, "cboPrrocNo"), { index: p });
        await settle(page);
        const message = await dismissMessage(page);
        if (message === null && (await page.$$(lines)).length > 0) chosen = numbers[p];
      }
    }
  }
  assert.ok(chosen, "a processing with settled rentals");
  const settled = (await page.$$(lines)).length;
  assert.equal(await page.inputValue(ctl(screen, "txtBalancetoPay")), "0");

  await page.click(ctl(screen, "cmdOk"));
  await settle(page);
  const saved = await dismissMessage(page);
  assert.equal(saved, null, `the save raised no message: ${saved}`);
  await page.waitForSelector(win(screen), { state: "detached" });

  const current = (await gridRows(page)).filter((r) => r.selected);
  assert.equal(current.length, 1, "the new row is current");
  assert.notEqual(current[0].cells[1], chosen);
  assert.equal(current[0].cells[2], DATE);
  assert.equal(current[0].cells[6], "No");
  assert.ok(settled > 0);
  await context.close();
});
