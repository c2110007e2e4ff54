// The page in a real browser (Debian's Chromium, headless, driven by
// playwright-core): random dialogues played by the page and by the Linux tolp
// compared byte for byte; games typed key by key from file:// and from
// http://127.0.0.1, with Backspace, Ctrl-D and a new game after the end; the
// time limit from the page's address; and the figures for the README (the
// first move at n = 1000, positions per second against native). No console
// error may appear. Prints each check and each figure; exits 1 on a failure.
//
// Usage: node browser_test.mjs PAGE NPM_DIR DIALOGUES_JSON LINUX_TOLP [SCREENSHOT_PNG]
import {spawnSync} from 'node:child_process';
import {readFileSync} from 'node:fs';
import {createServer} from 'node:http';
import {createRequire} from 'node:module';
import {basename, resolve} from 'node:path';
import {performance} from 'node:perf_hooks';
import {pathToFileURL} from 'node:url';

const [pagePath, npmDir, dialoguesPath, linuxTolp, screenshotPath] = process.argv.slice(2);
const {chromium} = createRequire(resolve(npmDir, 'package.json'))('playwright-core');

// Positions the first-move search of n = 16 with unlimited time visits before
// it finds a win (the benchmark counts them: cmake --workflow --preset bench).
const POSITIONS_N16 = 21621910;

let failures = 0;
function check(ok, what, detail = '') {
    console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${detail && !ok ? `\n     ${detail}` : ''}`);
    if (!ok) {
        failures += 1;
    }
}

// Runs one part of the test; a part that stops on an error (a wait that
// times out) counts as a failure, and the others still run.
async function part(name, body) {
    try {
        await body();
    } catch (error) {
        check(false, `${name}: stopped`, error.message.split('\n')[0]);
    }
}

// What the Linux tolp says to `input` on a pipe, named "tolp" as in the page.
function linux(args, input) {
    const done = spawnSync(linuxTolp, args, {input: Buffer.from(input, 'latin1'), argv0: 'tolp'});
    return {status: done.status, output: done.stdout.toString('latin1')};
}

const browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
const consoleErrors = [];

async function openPage(url) {
    const page = await browser.newPage({viewport: {width: 800, height: 700}});
    page.on('console', (message) => {
        if (message.type() === 'error' || message.type() === 'warning') {
            consoleErrors.push(`${url}: ${message.text()}`);
        }
    });
    page.on('pageerror', (error) => consoleErrors.push(`${url}: ${error.message}`));
    await page.goto(url);
    await page.waitForFunction(() => window.tolpPage && tolpPage.output().includes('Choose n'));
    await page.click('#terminal');
    return page;
}

// Waits until the game (the whole run so far) has said `text`.
async function said(page, text, timeout = 20000) {
    await page.waitForFunction((t) => tolpPage.output().includes(t), text, {timeout});
}

async function typeLine(page, text) {
    await page.keyboard.type(text);
    await page.keyboard.press('Enter');
}

// A whole game at limit 0, typed key by key: a slip mended with Backspace,
// a refused move, a win, and Return to exit. Returns the page's output.
async function typedGame(page) {
    await page.keyboard.type('56');
    await page.keyboard.press('Backspace');
    await page.keyboard.press('Enter');
    await said(page, 'Who to play first');
    await typeLine(page, 'h');
    await said(page, 'How many will you take?');
    await typeLine(page, '9');
    await said(page, "You can't do that!");
    await typeLine(page, '1');
    await said(page, 'Computer searched');
    await typeLine(page, '3');
    await said(page, 'Return to exit');
    return page;
}
const TYPED_INPUT = '5\nh\n9\n1\n3\n\n';

const pageUrl = pathToFileURL(resolve(pagePath)).href;

// 1. The random dialogues, handed to the game in the page as bytes.
await part('dialogues', async () => {
    const page = await openPage(`${pageUrl}?0`);
    const cases = JSON.parse(readFileSync(dialoguesPath, 'latin1'));
    let same = 0;
    const differing = [];
    for (const [i, c] of cases.entries()) {
        const got = await page.evaluate(([args, input]) => tolpPage.play(args, input), [c.args, c.input]);
        if (got.output === c.output && got.status === c.status) {
            same += 1;
        } else if (differing.length < 3) {
            differing.push(`dialogue ${i}: args ${JSON.stringify(c.args).slice(0, 80)}, ` +
                `input ${JSON.stringify(c.input).slice(0, 200)}\n     page (status ${got.status}): ` +
                `${JSON.stringify(got.output.slice(-200))}\n     linux (status ${c.status}): ` +
                `${JSON.stringify(c.output.slice(-200))}`);
        }
    }
    check(same === cases.length, `${same} of ${cases.length} dialogues the same as the Linux tolp`,
        differing.join('\n     '));

    // 0x1A ends only the answer being read on a terminal: the game goes on.
    const marked = await page.evaluate(() => tolpPage.play(['0'], '5\nh\n1\x1a3\n\n'));
    const expected = linux(['0'], '5\nh\n1\n3\n\n');
    check(marked.output === expected.output && marked.status === 0,
        '0x1A at the terminal ends the answer, not the input', JSON.stringify(marked.output.slice(-120)));
    await page.close();
});

// 2. A game typed key by key from disk; the screenshot; a new game with
// Return after the end; Ctrl-D at a prompt; a new game with the button.
await part('keys', async () => {
    const page = await openPage(`${pageUrl}?0`);
    await typedGame(page);
    const screen = await page.locator('.xterm-rows').innerText();
    check(/Choose n\s+5\s/.test(screen) && !screen.includes('56'), 'Backspace edits the line on the screen');
    if (screenshotPath) {
        await page.screenshot({path: screenshotPath});
    }
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => tolpPage.over());
    const typed = await page.evaluate(() => ({output: tolpPage.output(), status: tolpPage.status()}));
    const expected = linux(['0'], TYPED_INPUT);
    check(typed.output === expected.output && typed.status === 0, 'a game typed from file:// as on Linux',
        JSON.stringify(typed.output.slice(-200)));
    check((await page.locator('.xterm-rows').innerText()).includes('The game is over'),
        'the page says that the game is over');

    await page.keyboard.press('Enter');
    await page.waitForFunction(() => !tolpPage.over() && tolpPage.output().includes('Choose n'));
    await page.keyboard.press('Control+d');
    await page.waitForFunction(() => tolpPage.over());
    const ended = await page.evaluate(() => ({output: tolpPage.output(), status: tolpPage.status()}));
    const empty = linux(['0'], '');
    check(ended.output === empty.output && ended.status === 0,
        'Return starts a new game; Ctrl-D at "Choose n" ends it as at a Linux terminal',
        JSON.stringify(ended.output.slice(-120)));

    await page.click('#new-game');
    await page.waitForFunction(() => !tolpPage.over() && tolpPage.output().includes('Choose n'));
    await page.click('#terminal');
    await typeLine(page, '3');
    await said(page, 'Who to play first');
    await typeLine(page, 'h');
    await said(page, 'How many will you take?');
    // After a character, Ctrl-D sends it without a line feed; the second
    // one, on the now empty line, ends the input.
    await page.keyboard.type('1');
    await page.keyboard.press('Control+d');
    await page.keyboard.press('Control+d');
    await page.waitForFunction(() => tolpPage.over());
    const midGame = await page.evaluate(() => tolpPage.output());
    check(midGame === linux(['0'], '3\nh\n1').output,
        'the New game button starts a game; Ctrl-D sends "1" without a line feed, then ends the input');
    await page.close();
});

// 3. The same typed game from a plain static web server, no special headers.
await part('http', async () => {
    const html = readFileSync(pagePath);
    const server = createServer((request, response) => {
        if (new URL(request.url, 'http://127.0.0.1').pathname === `/${basename(pagePath)}`) {
            response.writeHead(200, {'Content-Type': 'text/html; charset=utf-8'});
            response.end(html);
        } else {
            response.writeHead(404);
            response.end();
        }
    });
    await new Promise((done) => server.listen(0, '127.0.0.1', done));
    const page = await openPage(`http://127.0.0.1:${server.address().port}/${basename(pagePath)}?0`);
    await typedGame(page);
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => tolpPage.over());
    const served = await page.evaluate(() => tolpPage.output());
    check(served === linux(['0'], TYPED_INPUT).output, 'a game typed from http://127.0.0.1 as on Linux');
    await page.close();
    server.close();
});

// 4. The time limit comes from the page's address.
await part('address', async () => {
    for (const [query, shown] of [['', '0.950000'], ['?2.5', '2.500000'], ['?1e-1', '0.100000'], ['?word', '0.000000']]) {
        const page = await openPage(`${pageUrl}${query}`);
        await typeLine(page, '4');
        await said(page, 'Who to play first');
        const output = await page.evaluate(() => tolpPage.output());
        check(output.includes(`a time limit of ${shown} seconds`), `tolp.html${query} plays with ${shown} s per move`);
        await page.close();
    }
});

// 5. The figures: the first move at n = 1000 under the default limit, and the
// complete first-move search of n = 16 here and natively.
await part('first move at n = 1000', async () => {
    const page = await openPage(pageUrl);
    await typeLine(page, '1000');
    await said(page, 'Who to play first');
    await typeLine(page, 'c');
    await said(page, 'Computer searched');
    const ms = await page.evaluate(() => tolpPage.replyTime('Computer searched'));
    console.log(`figure: first move at n = 1000, default limit 0.95 s: ${ms.toFixed(1)} ms in the page`);
    // What the search pays for each position at least: one clock reading.
    const readingNs = await page.evaluate(() => {
        const readings = 1000000;
        let best = Infinity;
        for (let round = 0; round < 5; round += 1) {
            let sink = 0;
            const start = performance.now();
            for (let i = 0; i < readings; i += 1) {
                sink += performance.now();
            }
            best = Math.min(best, (performance.now() - start) * 1e6 / readings + (sink < 0 ? 1 : 0));
        }
        return best;
    });
    console.log(`figure: one performance.now() in the page: ${readingNs.toFixed(0)} ns, best of five rounds`);
    await page.close();
});
await part('n = 16 here and natively', async () => {
    // Each side's best of two runs: the machine is shared.
    const computerLine = (output) => output.split('\n').find((line) => line.startsWith('Computer searched'));
    const pageMs = [];
    let pageLine = '';
    for (let run = 0; run < 2; run += 1) {
        const page = await openPage(`${pageUrl}?1e999`);
        await typeLine(page, '16');
        await said(page, 'Who to play first');
        await typeLine(page, 'c');
        if (run === 0) {
            // The computer thinks for seconds in its worker: meanwhile the
            // page echoes what is typed.
            await page.keyboard.type('7');
            const echoed = await page.evaluate(() =>
                Array.from(document.querySelectorAll('.xterm-rows > div')).some((row) => row.textContent.trim() === '7'));
            const thinking = await page.evaluate(() => !tolpPage.output().includes('Computer searched'));
            check(echoed && thinking, 'the page echoes typing while the computer thinks');
        }
        await said(page, 'Computer searched', 300000);
        pageMs.push(await page.evaluate(() => tolpPage.replyTime('Computer searched')));
        pageLine = computerLine(await page.evaluate(() => tolpPage.output()));
        await page.close();
    }
    const nativeMs = [];
    let nativeLine = '';
    for (let run = 0; run < 2; run += 1) {
        const start = performance.now();
        nativeLine = computerLine(linux(['1e999'], '16\nc\n').output);
        nativeMs.push(performance.now() - start);
    }
    check(pageLine === nativeLine, `n = 16, unlimited time: the page's first move is the native one (${nativeLine})`,
        pageLine);
    const ms = Math.min(...pageMs);
    const native = Math.min(...nativeMs);
    const rate = (t) => (POSITIONS_N16 / (t / 1000) / 1e6).toFixed(2);
    console.log(`figure: first-move search of n = 16 to its end (${POSITIONS_N16} positions), best of two: ` +
        `${ms.toFixed(0)} ms in Chromium (${rate(ms)} M positions/s), ` +
        `${native.toFixed(0)} ms native (${rate(native)} M positions/s), ratio ${(ms / native).toFixed(1)}`);
});

check(consoleErrors.length === 0, 'no errors or warnings on the console', consoleErrors.join('\n     '));
await browser.close();
console.log(failures === 0 ? 'all checks passed' : `${failures} checks failed`);
process.exit(failures === 0 ? 0 : 1);
