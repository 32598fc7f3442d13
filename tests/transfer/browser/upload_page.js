// Drives Debian's chromium through the upload pages:
//   node upload_page.js <base url> <book path> <screenshot path>
// Exit 0: uploaded and listed; 77: the browser cannot start here; else a failure.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');

const [base, book, shot] = process.argv.slice(2);
const executablePath = '/usr/bin/chromium';

async function main() {
  let puppeteer;
  try {
    puppeteer = require('puppeteer-core');
  } catch (e) {
    console.log('SKIP: puppeteer-core is not installed (scripts/setup.sh installs it): ' + e.message);
    return 77;
  }
  if (!fs.existsSync(executablePath)) {
    console.log('SKIP: ' + executablePath + ' is not installed');
    return 77;
  }
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'pw-chromium-'));
  let browser;
  try {
    browser = await puppeteer.launch({
      executablePath,
      headless: true,
      userDataDir: profile,
      args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync',
             '--user-data-dir=' + profile],
      timeout: 60000,
    });
  } catch (e) {
    console.log('SKIP: chromium cannot start here: ' + e.message);
    fs.rmSync(profile, { recursive: true, force: true });
    return 77;
  }
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 1000, height: 700 });
    await page.goto(base + '/', { waitUntil: 'load' });
    // The index leads on to the upload page.
    await page.waitForFunction(() => location.pathname === '/upload' && document.querySelector('#newfile'),
                               { timeout: 30000 });
    const input = await page.$('#newfile');
    await input.uploadFile(book);
    const [response] = await Promise.all([
      page.waitForNavigation({ waitUntil: 'load', timeout: 120000 }),
      page.click("input[name='btn']"),
    ]);
    const status = response ? response.status() : 0;
    const rows = await page.$$eval('#filelist td', tds => tds.map(td => td.textContent));
    const styled = await page.$eval('#main', el => getComputedStyle(el).backgroundColor);
    await page.screenshot({ path: shot, fullPage: true });
    console.log(JSON.stringify({ status, rows, styled, url: page.url() }));
    const name = path.basename(book);
    if (status !== 200 || !rows.includes(name)) {
      console.log('FAIL: the reply does not list ' + name);
      return 1;
    }
    return 0;
  } finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

main().then(code => process.exit(code), e => { console.log('FAIL: ' + (e && e.stack || e)); process.exit(1); });
