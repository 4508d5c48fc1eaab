// A re-processing made through the browser in automatic mode: the old
// processing is then marked amended and the new one is listed.
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

test("re-processing in automatic mode amends the old processing and lists the new one", async () => {
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
  await page.click(`${ctl("frmSelection", "optReProcessing")} input`);
  await settle(page);
  await page.click(ctl("frmSelection", "cmdOK"));
  await settle(page);
  const screen = "frmReprocessing";
  await page.waitForSelector(win(screen));
  await page.click(`${ctl(screen, "optAuto")} input`);
  await settle(page);

  // A department, customer and processing that load with rentals to re-schedule.
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
        if (message === null && (await page.inputValue(ctl(screen, "txtNoRetals"))) !== "") chosen = numbers[p];
      }
    }
  }
  assert.ok(chosen, "a processing with rentals left to re-process");

  // The loaded lines fill the list, so Re-Process asks before replacing them.
  await page.click(ctl(screen, "cmdReProcess"));
  await settle(page);
  assert.match(await dismissMessage(page), /^Processed Data will be Cleared/);
  const reprocessed = await dismissMessage(page);
  assert.equal(reprocessed, null, `the re-process raised no message: ${reprocessed}`);
  const lines = `${ctl(screen, "lvwReProcessing")} tbody tr`;
  await page.waitForSelector(lines);
  const count = (await page.$$(lines)).length;
  assert.ok(count > 0, "the new schedule has lines");

  // Every line needs its cheque: the editor walks from line 1 to the last.
  await page.dblclick(`${lines}:nth-child(1)`);
  await settle(page);
  const dialog = "frmReProcessingPopUp";
  for (let i = 1; i <= count; i++) {
    await page.waitForSelector(win(dialog));
    await page.click(`${ctl(dialog, "cboBankName")} input`);
    await page.keyboard.type("Bank of Ceylon", { delay: 2 });
    await page.click(ctl(dialog, "txtchequeno"));
    await page.keyboard.type(`R${i}`, { delay: 2 });
    await settle(page);
    await page.click(ctl(dialog, "cmdOk"));
    await settle(page);
    const refused = await dismissMessage(page);
    assert.equal(refused, null, `line ${i} accepted: ${refused}`);
  }
  await page.waitForSelector(win(dialog), { state: "detached" });

  await page.click(ctl(screen, "cmdOk"));
  await settle(page);
  const saved = await dismissMessage(page);
  assert.equal(saved, null, `the save raised no message: ${saved}`);
  await page.waitForSelector(win(screen), { state: "detached" });

  const rows = await gridRows(page);
  const current = rows.filter((r) => r.selected);
  assert.equal(current.length, 1, "the new row is current");
  assert.notEqual(current[0].cells[1], chosen);
  assert.equal(current[0].cells[5], "No");

  // The old processing shows amended in a fresh register.
  await context.close();
  const check = await browser.newContext({ viewport: { width: 1366, height: 768 } });
  const p2 = await check.newPage();
  await p2.goto(URL_);
  await p2.fill("#signin-user", "demo");
  await p2.fill("#signin-password", USERS.demo);
  await p2.click("#signin-submit");
  await p2.waitForSelector("#choose:not([hidden])");
  await p2.fill("#choose-date", DATE);
  await p2.click("#choose-open");
  await p2.waitForSelector(`${ctl("FrmMaster", "flexMaster")} .gbody .grow`);
  await settle(p2);
  await p2.selectOption(ctl("FrmMaster", "cboSearch"), { label: "Processing No" });
  await settle(p2);
  await p2.click(ctl("FrmMaster", "txtsearch"));
  await p2.keyboard.type(chosen, { delay: 5 });
  await settle(p2);
  const found = (await gridRows(p2)).filter((r) => r.selected && r.cells[1] === chosen);
  assert.equal(found.length, 1, `row ${chosen} found`);
  assert.equal(found[0].cells[5], "Yes", "the old processing is amended");
  await check.close();
});
