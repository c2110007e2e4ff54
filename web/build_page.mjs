// Puts the page together: the template page.html with the terminal's style
// and script (xterm.js from the npm packages), the page's own style and
// script, and the game's worker script (Emscripten's output, WebAssembly
// inside) as a string, so that tolp.html needs no other file.
//
// Usage: node build_page.mjs GAME_JS NODE_MODULES OUTPUT_HTML
import {readFileSync, writeFileSync} from 'node:fs';
import {dirname, join} from 'node:path';
import {fileURLToPath} from 'node:url';

const [gameJs, nodeModules, output] = process.argv.slice(2);
const here = dirname(fileURLToPath(import.meta.url));
const read = (path) => readFileSync(path, 'utf8');

// Inside a script element, "</script" would end it and "<!--" would change
// how it is parsed; escaped, both mean the same to JavaScript.
function inlineScript(text) {
    return text.replace(/^\/\/# sourceMappingURL=.*$/gm, '')
        .replace(/<\/script/gi, '<\\/script')
        .replace(/<!--/g, '<\\!--');
}

const xterm = join(nodeModules, '@xterm/xterm');
const parts = {
    TERMINAL_STYLE: read(join(xterm, 'css/xterm.css')).replace(/^\/\*# sourceMappingURL=.*$/gm, ''),
    PAGE_STYLE: read(join(here, 'page.css')),
    TERMINAL_SCRIPT: inlineScript(read(join(xterm, 'lib/xterm.js'))),
    // As a JSON string with every "<" escaped, the worker's source cannot
    // end the script element early.
    GAME_WORKER: 'const GAME_WORKER_SOURCE = ' +
        JSON.stringify(read(gameJs)).replace(/</g, '\\u003c') + ';',
    PAGE_SCRIPT: inlineScript(read(join(here, 'page.js'))),
};

let page = read(join(here, 'page.html'));
for (const [name, text] of Object.entries(parts)) {
    const marker = `/* @${name}@ */`;
    if (!page.includes(marker)) {
        throw new Error(`page.html has no place for ${name}`);
    }
    page = page.replace(marker, () => text);
}
writeFileSync(output, page);
