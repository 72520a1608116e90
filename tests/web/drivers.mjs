// One way to drive each browser engine the page's tests run in. Every driver offers:
//   await driver.open(url, { width, height })  a tab at that viewport (CSS px, scale 1)
//   await tab.evaluate(fn, arg)                 fn(arg) in the page, awaited; JSON back
//   await tab.waitFor(fn, arg, timeoutMs)       fn(arg) polled until truthy; its value
//   await tab.click(selector), tab.press(key)   real input: a gesture the page may use
//   await tab.screenshot(file, rect)            PNG of the viewport's rect {x, y, width, height}
//   await tab.resize(width, height), tab.close()
//   driver.name, driver.playwright              the latter: Chromium's playwright Browser
//   await closeTabs(driver), driver.close()     every tab still open; the browser
// Chromium goes through playwright-core, Firefox ESR through puppeteer-core over WebDriver
// BiDi, WebKitGTK's MiniBrowser through WebKitWebDriver (W3C WebDriver, plain HTTP).
import { chromium } from 'playwright-core';
import puppeteer from 'puppeteer-core';
import { PNG } from 'pngjs';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';

const kPollMs = 50;

// Calls `evaluate(fn, arg)` until it gives a truthy value, or throws after `timeoutMs`.
async function poll(evaluate, fn, arg, timeoutMs, what) {
  const until = Date.now() + timeoutMs;
  for (;;) {
    const value = await evaluate(fn, arg);
    if (value) return value;
    if (Date.now() > until)
      throw new Error(`timed out after ${timeoutMs} ms waiting for ${what || fn}`);
    await new Promise((resolve) => setTimeout(resolve, kPollMs));
  }
}

// Remembers an open tab until it closes, so that a group that failed half-way leaves none
// behind (WebKitWebDriver allows one session at a time).
function tracked(driver, tab) {
  const close = tab.close;
  tab.close = async () => {
    driver.tabs.delete(tab);
    await close();
  };
  driver.tabs.add(tab);
  return tab;
}

export async function closeTabs(driver) {
  for (const tab of [...driver.tabs]) await tab.close().catch(() => {});
}

function cropPng(bytes, rect, file) {
  const whole = PNG.sync.read(bytes);
  const part = new PNG({ width: rect.width, height: rect.height });
  PNG.bitblt(whole, part, rect.x, rect.y, rect.width, rect.height, 0, 0);
  fs.writeFileSync(file, PNG.sync.write(part));
}

// Chromium: SwiftShader's WebGL 2.
class ChromiumDriver {
  name = 'chromium';
  tabs = new Set();

  // `audible`: its sound goes to the sound server, not muted as playwright has it by default.
  async start({ audible = false } = {}) {
    this.playwright = await chromium.launch({
      executablePath: '/usr/bin/chromium',
      headless: true,
      ignoreDefaultArgs: audible ? ['--mute-audio'] : [],
      args: [
        '--no-sandbox',
        '--use-angle=swiftshader',
        '--enable-unsafe-swiftshader',
        '--no-first-run',
        '--disable-background-networking',
        '--disable-component-update',
        '--disable-sync',
      ],
    });
    return this;
  }

  async open(url, { width = 800, height = 600 } = {}) {
    const context = await this.playwright.newContext({
      viewport: { width, height },
      deviceScaleFactor: 1,
    });
    const page = await context.newPage();
    await page.goto(url);
    return tracked(this, {
      page,
      evaluate: (fn, arg) => page.evaluate(fn, arg),
      waitFor: async (fn, arg, timeoutMs) =>
        (await page.waitForFunction(fn, arg, { timeout: timeoutMs, polling: kPollMs })).jsonValue(),
      click: (selector) => page.locator(selector).click(),
      press: (key) => page.keyboard.press(key),
      screenshot: (file, rect) => page.screenshot({ path: file, clip: rect }),
      resize: (w, h) => page.setViewportSize({ width: w, height: h }),
      close: () => context.close(),
    });
  }

  close() {
    return this.playwright.close();
  }
}

// Firefox ESR: WebGL 2 on llvmpipe, which it refuses by default as too slow.
class FirefoxDriver {
  name = 'firefox';
  tabs = new Set();

  async start() {
    this.browser = await puppeteer.launch({
      browser: 'firefox',
      executablePath: process.env.QUORVANE_FIREFOX || '/usr/bin/firefox-esr',
      headless: false,
      protocol: 'webDriverBiDi',
      // A page that stops answering fails its group after a minute rather than three.
      protocolTimeout: 60000,
      extraPrefsFirefox: {
        'webgl.force-enabled': true,
        'gfx.webrender.software': true,
        'webgl.disable-fail-if-major-performance-caveat': true,
        'media.autoplay.block-webaudio': false,
        'media.autoplay.default': 0,
        'full-screen-api.allow-trusted-requests-only': false,
      },
    });
    return this;
  }

  async open(url, { width = 800, height = 600 } = {}) {
    const page = await this.browser.newPage();
    await page.setViewport({ width, height, deviceScaleFactor: 1 });
    await page.goto(url);
    return tracked(this, {
      page,
      evaluate: (fn, arg) => page.evaluate(fn, arg),
      waitFor: (fn, arg, timeoutMs) => poll((f, a) => page.evaluate(f, a), fn, arg, timeoutMs),
      click: (selector) => page.click(selector),
      press: (key) => page.keyboard.press(key),
      screenshot: async (file, rect) => cropPng(await page.screenshot({ type: 'png' }), rect, file),
      resize: (w, h) => page.setViewport({ width: w, height: h, deviceScaleFactor: 1 }),
      close: () => page.close(),
    });
  }

  close() {
    return this.browser.close();
  }
}

// WebKitGTK: WebKitWebDriver starts the MiniBrowser in automation mode; one session per tab.
const kWebKitDir = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1';
const kWebDriverKeys = { Escape: '\uE00C', Enter: '\uE007', Space: ' ', Home: '\uE011' };
const kElement = 'element-6066-11e4-a52f-4a0c6b4e5db7';

class WebKitDriver {
  name = 'webkit';
  tabs = new Set();

  async start() {
    const port = await new Promise((resolve) => {
      const probe = net.createServer().listen(0, '127.0.0.1', () => {
        const { port } = probe.address();
        probe.close(() => resolve(port));
      });
    });
    this.server = `http://127.0.0.1:${port}`;
    this.process = spawn('WebKitWebDriver', [`--port=${port}`], {
      stdio: ['ignore', 'ignore', 'pipe'],
    });
    this.process.stderr.on('data', () => {});
    await poll(
      async () =>
        (
          await fetch(`${this.server}/status`).then(
            (r) => r.json(),
            () => null,
          )
        )?.value?.ready,
      null,
      null,
      20000,
      'WebKitWebDriver',
    );
    return this;
  }

  async request(method, path, body) {
    const response = await fetch(`${this.server}${path}`, {
      method,
      headers: { 'Content-Type': 'application/json' },
      body: body === undefined ? undefined : JSON.stringify(body),
    });
    const reply = await response.json();
    if (!response.ok)
      throw new Error(
        `WebDriver ${method} ${path}: ${reply.value?.error}: ${reply.value?.message}`,
      );
    return reply.value;
  }

  async open(url, { width = 800, height = 600 } = {}) {
    const { sessionId } = await this.request('POST', '/session', {
      capabilities: {
        alwaysMatch: {
          'webkitgtk:browserOptions': {
            binary: `${kWebKitDir}/MiniBrowser`,
            args: [
              '--automation',
              '--autoplay-policy=allow',
              '--enable-webgl=true',
              '--enable-webaudio=true',
              '--enable-fullscreen=true',
            ],
          },
        },
      },
    });
    const s = `/session/${sessionId}`;
    const evaluate = (fn, arg) =>
      this.request('POST', `${s}/execute/async`, {
        script: `const done = arguments[arguments.length - 1];
               Promise.resolve().then(() => (${fn})(arguments[0])).then(
                 (v) => done({ v: v === undefined ? null : v }), (e) => done({ e: String(e && e.stack || e) }));`,
        args: [arg === undefined ? null : arg],
      }).then((r) => {
        if (r.e) throw new Error(r.e);
        return r.v;
      });
    // The window holds the viewport and whatever the browser shows around it.
    const resize = async (w, h) => {
      await this.request('POST', `${s}/window/rect`, { width: w, height: h });
      const inner = await evaluate(() => [innerWidth, innerHeight]);
      await this.request('POST', `${s}/window/rect`, {
        width: 2 * w - inner[0],
        height: 2 * h - inner[1],
      });
    };
    await resize(width, height);
    await this.request('POST', `${s}/timeouts`, { script: 300000 });
    await this.request('POST', `${s}/url`, { url });
    const find = (selector) =>
      this.request('POST', `${s}/element`, { using: 'css selector', value: selector });
    return tracked(this, {
      evaluate,
      waitFor: (fn, arg, timeoutMs) => poll(evaluate, fn, arg, timeoutMs),
      click: async (selector) => {
        const element = await find(selector);
        return this.request(
          'POST',
          `${s}/element/${element[kElement] || Object.values(element)[0]}/click`,
          {},
        );
      },
      press: (key) => {
        const value = kWebDriverKeys[key] || key;
        return this.request('POST', `${s}/actions`, {
          actions: [
            {
              type: 'key',
              id: 'keys',
              actions: [
                { type: 'keyDown', value },
                { type: 'keyUp', value },
              ],
            },
          ],
        });
      },
      // The element screenshot came back partly black: the viewport's, cut to the rect.
      screenshot: async (file, rect) =>
        cropPng(Buffer.from(await this.request('GET', `${s}/screenshot`), 'base64'), rect, file),
      resize,
      close: () => this.request('DELETE', s).catch(() => {}),
    });
  }

  async close() {
    if (this.process.exitCode !== null || this.process.signalCode !== null) return;
    const exited = new Promise((resolve) => this.process.once('exit', resolve));
    this.process.kill();
    await exited;
  }
}

export const kEngines = ['chromium', 'firefox', 'webkit'];

// `options` go to the driver's start: { audible } for Chromium, which otherwise plays muted.
export function startDriver(name, options = {}) {
  const Driver = { chromium: ChromiumDriver, firefox: FirefoxDriver, webkit: WebKitDriver }[name];
  if (!Driver) throw new Error(`no driver for ${name}: ${kEngines.join(', ')}`);
  return new Driver().start(options);
}
