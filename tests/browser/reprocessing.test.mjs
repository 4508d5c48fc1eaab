// A re-processing made through the browser in automatic mode: the old
// processing is then marked amended and the new one is listed.
import { test } from "node:test";
import assert from "node:assert/strict";
import { ctl, win, settle, openRegister, openNew, chooseFirst, dismissMessage, gridRows } from "./session.mjs";

test("re-processing in automatic mode amends the old processing and lists the new one", async () => {
  const { context, page } = await openRegister();
  const screen = "frmReprocessing";
  await openNew(page, "optReProcessing", screen);
  await page.click(`${ctl(screen, "optAuto")} input`);
  await settle(page);
  // A processing that loads with rentals to re-schedule.
  const chosen = await chooseFirst(page, screen, "cboPrrocNo",
    async (p) => (await p.inputValue(ctl(screen, "txtNoRetals"))) !== "");
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

  const current = (await gridRows(page)).filter((r) => r.selected);
  assert.equal(current.length, 1, "the new row is current");
  assert.notEqual(current[0].cells[1], chosen);
  assert.equal(current[0].cells[5], "No");
  await context.close();

  // The old processing shows amended in a fresh register.
  const fresh = await openRegister();
  await fresh.page.selectOption(ctl("FrmMaster", "cboSearch"), { label: "Processing No" });
  await settle(fresh.page);
  await fresh.page.click(ctl("FrmMaster", "txtsearch"));
  await fresh.page.keyboard.type(chosen, { delay: 5 });
  await settle(fresh.page);
  const found = (await gridRows(fresh.page)).filter((r) => r.selected && r.cells[1] === chosen);
  assert.equal(found.length, 1, `row ${chosen} found`);
  assert.equal(found[0].cells[5], "Yes", "the old processing is amended");
  await fresh.context.close();
});
