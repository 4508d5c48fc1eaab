// A new processing made through the browser: New, Processing, a customer and
// one of their open invoices, Process Interest, a cheque confirmed in the
// cheque dialog, OK; the register then lists the new processing.
import { test } from "node:test";
import assert from "node:assert/strict";
import { DATE, ctl, win, settle, openRegister, openNew, chooseFirst, dismissMessage, gridRows } from "./session.mjs";

test("a processing made in the browser appears in the register", async () => {
  const { context, page } = await openRegister();
  const screen = "frmProcessing";
  await openNew(page, null, screen);
  const invoice = await chooseFirst(page, screen, "cboInvoice", (p) => p.isEnabled(ctl(screen, "cmdProcess")));
  assert.ok(invoice, "an open invoice with a cheque register");

  await page.click(ctl(screen, "cmdProcess"));
  await settle(page);
  const lines = `${ctl(screen, "lvwProcessing")} tbody tr`;
  await page.waitForSelector(lines);
  const count = (await page.$$(lines)).length;
  assert.ok(count > 0, "the schedule has lines");
  assert.match(await page.inputValue(ctl(screen, "txtMonthlyRate")), /^\d+\.\d\d$/);

  // The last line's cheque, confirmed in the dialog, which then closes.
  await page.dblclick(`${lines}:nth-child(${count})`);
  await settle(page);
  await page.waitForSelector(win("frmPopUp"));
  await page.click(ctl("frmPopUp", "cmdOK"));
  await settle(page);
  await page.waitForSelector(win("frmPopUp"), { state: "detached" });

  await page.click(ctl(screen, "cmdOK"));
  await settle(page);
  assert.equal(await dismissMessage(page), null, "the save raised no message");
  await page.waitForSelector(win(screen), { state: "detached" });

  const current = (await gridRows(page)).filter((r) => r.selected);
  assert.equal(current.length, 1, "the new row is current");
  assert.match(current[0].cells[1], /\S/, "a processing number");
  assert.equal(current[0].cells[2], DATE);
  assert.equal(current[0].cells[6], "No");
  await context.close();
});
