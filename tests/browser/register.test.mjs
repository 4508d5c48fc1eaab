// The register in a real browser, against `hp serve` on a demo database
// (started by run.sh, which passes the address and the users in the
// environment). What the server refuses is pinned in tests/web.
import { test } from "node:test";
import assert from "node:assert/strict";
import { ctl, win, settle, press, choose, type, newPage, signIn, openRegister, gridRows, search } from "./session.mjs";

const control = (name) => ctl("FrmMaster", name);
const cancel = (name) => ctl("frmcancel", name);

function assertSorted(values, descending, what) {
  for (let i = 1; i < values.length; i++) {
    const ok = descending ? values[i - 1] >= values[i] : values[i - 1] <= values[i];
    assert.ok(ok, `${what}: "${values[i - 1]}" then "${values[i]}"`);
  }
}

test("the register lists the demo processings", async () => {
  const page = await openRegister();
  assert.equal(await page.textContent(`${win("FrmMaster")} .titlebar .caption`), "Hire Purchase Processing");
  const heads = await page.$$eval(`${control("flexMaster")} .ghead .gcell`, (cells) => cells.map((c) => c.textContent));
  for (const h of ["Processing No", "Customer", "Cancelled"]) assert.ok(heads.includes(h), `heading ${h} in ${heads}`);
  const rows = await gridRows(page);
  assert.ok(rows.length >= 20, `rows drawn: ${rows.length}`);
  for (const r of rows) {
    assert.match(r.cells[0], /^\d+$/, "column 0 holds the identifier");
    assert.match(r.cells[1], /\S/, "a processing number");
    assert.match(r.cells[2], /^\d{4}-\d\d-\d\d$/);
    assert.ok(["Yes", "No"].includes(r.cells[6]));
  }
  // The whole register is there, though only the rows in view are sent;
  // scrolling to the top fetches the first rows.
  const height = await page.$eval(`${control("flexMaster")} .gbody > div`, (d) => d.offsetHeight);
  assert.ok(height / 20 > rows.length, `${height / 20} rows in all`);
  await page.$eval(`${control("flexMaster")} .gbody`, (b) => { b.scrollTop = 0; });
  await page.waitForSelector(`${control("flexMaster")} .gbody .grow[data-row="1"]`);
  await settle(page);
  assert.ok((await gridRows(page)).some((r) => r.row === 1));
  if (process.env.HP_SCREENSHOT) await page.screenshot({ path: process.env.HP_SCREENSHOT });
});

test("sorting orders the rows by the chosen column", async () => {
  const page = await openRegister();
  await choose(page, control("cboColNames"), { label: "Customer" });
  const up = (await gridRows(page)).map((r) => r.cells[3]);
  assertSorted(up, false, "ascending customers");
  await press(page, `${control("optDescend")} input`);
  assert.equal(await page.$eval(control("cboColNames"), (s) => s.selectedIndex), -1, "the choice is cleared");
  await choose(page, control("cboColNames"), { label: "Customer" });
  const down = (await gridRows(page)).map((r) => r.cells[3]);
  assertSorted(down, true, "descending customers");
  assert.notDeepEqual(up, down);
});

test("searching selects the first row that begins with the text", async () => {
  const page = await openRegister();
  await choose(page, control("cboSearch"), { label: "Customer" });
  const rows = await gridRows(page);
  const wanted = rows[Math.floor(rows.length / 2)].cells[3].slice(0, 3);
  await search(page, null, wanted);
  assert.equal(await page.inputValue(control("txtsearch")), wanted);
  const selected = (await gridRows(page)).filter((r) => r.selected);
  assert.equal(selected.length, 1);
  assert.equal(selected[0].cells[3].slice(0, 3).toUpperCase(), wanted.toUpperCase());
  // It is the first such row in customer order and it is in view.
  const before = (await gridRows(page)).filter((r) => r.row < selected[0].row).map((r) => r.cells[3].toUpperCase());
  assert.ok(before.every((c) => c.slice(0, 3) < wanted.toUpperCase()), "no earlier row matches");
  const visible = await page.$eval(`${control("flexMaster")} .grow.sel`, (r) => {
    const body = r.closest(".gbody").getBoundingClientRect();
    const box = r.getBoundingClientRect();
    return box.top >= body.top - 1 && box.bottom <= body.bottom + 1;
  });
  assert.ok(visible, "the found row is scrolled into view");
});

// The refusals and the prompt's text are the register's own and pinned by its
// tests; here the page: default button, modality, and the row's colour.
test("cancelling a processing with a reason turns its row red", async () => {
  const page = await openRegister();
  const candidates = (await gridRows(page)).filter((r) => r.cells[6] === "No" && r.cells[5] === "No").reverse();
  let cancelled = null;
  for (const row of candidates) {
    await press(page, `${control("flexMaster")} .grow[data-row="${row.row}"] .gcell[data-col="1"]`);
    if (await page.isDisabled(control("CmdDelete"))) continue;
    await press(page, control("CmdDelete"));
    if (!(await page.textContent(".win.msgbox .prompt")).startsWith("Are You Sure")) {
      await press(page, '.win.msgbox button[data-button="OK"]');  // settled or posted: not cancellable
      continue;
    }
    assert.ok(await page.$eval('.win.msgbox button[data-button="No"]', (b) => document.activeElement === b),
      "No is the default");
    await press(page, '.win.msgbox button[data-button="Yes"]');
    await page.waitForSelector(win("frmcancel"));
    await type(page, cancel("txtcanreason"), "Customer's returned the vehicle");
    assert.equal(await page.inputValue(cancel("txtcanreason")), "Customers returned the vehicle");
    assert.equal(await page.$eval(win("FrmMaster"), (w) => w.classList.contains("inactive")), true,
      "the register takes nothing while the reason dialog is open");
    await press(page, cancel("cmdok"));
    cancelled = row;
    break;
  }
  assert.ok(cancelled, "a processing that could be cancelled");
  await page.waitForSelector(win("frmcancel"), { state: "detached" });
  const after = (await gridRows(page)).find((r) => r.cells[0] === cancelled.cells[0]);
  assert.equal(after.cells[6], "Yes");
  for (const colour of after.colours.slice(1)) assert.equal(colour, "rgb(255, 0, 0)");
  assert.ok(await page.isDisabled(control("CmdDelete")), "a cancelled row cannot be cancelled again");
  // It stays cancelled: a new session shows it too.
  const seen = (await gridRows(await openRegister())).find((r) => r.cells[0] === cancelled.cells[0]);
  assert.equal(seen?.cells[6], "Yes");
});

test("a wrong password is refused", async () => {
  const page = await newPage();
  await signIn(page, "demo", "not-the-password");
  await page.waitForFunction(() => document.querySelector("#signin-error").textContent !== "");
  assert.equal(await page.textContent("#signin-error"), "The user name or password is wrong.");
  assert.equal(await page.isVisible("#choose"), false);
  assert.equal((await page.context().cookies()).filter((c) => c.name === "hp_session").length, 0);
});
