// A re-processing after settlement made through the browser: the settled
// rentals of a processing become the new one, which the register lists.
import { test } from "node:test";
import assert from "node:assert/strict";
import { DATE, ctl, win, settle, openRegister, openNew, chooseFirst, dismissMessage, gridRows } from "./session.mjs";

test("a re-processing after settlement appears in the register", async () => {
  const { context, page } = await openRegister();
  const screen = "frmReprocessingAfterSettlemt";
  await openNew(page, "optAfterSettlement", screen);
  // A processing with settled rentals: they fill the previous-settlements list.
  const lines = `${ctl(screen, "lvwPreDetails")} tbody tr`;
  const chosen = await chooseFirst(page, screen, "cboPrrocNo", async (p) => (await p.$$(lines)).length > 0);
  assert.ok(chosen, "a processing with settled rentals");
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
  await context.close();
});
