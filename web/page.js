// The page's side of the game: a terminal in canonical mode (typed
// characters are echoed, Backspace edits the line, Return sends it with its
// line feed, Ctrl-D ends the input) in front of the game, which runs in a
// Web Worker made from GAME_WORKER_SOURCE so that the computer can think
// without stopping the page. After a game the page offers a new one.
'use strict';

(function () {
    const END_OF_INPUT = '\x04';  // Ctrl-D
    const ERASE_LINE = '\x15';    // Ctrl-U
    const workerUrl = URL.createObjectURL(new Blob([GAME_WORKER_SOURCE], {type: 'text/javascript'}));
    const encoder = new TextEncoder();
    const term = new Terminal({
        convertEol: true,
        cursorBlink: true,
        rows: 30,
        cols: 80,
        scrollback: 10000,
        fontFamily: 'monospace',
    });
    term.open(document.getElementById('terminal'));

    // The time limit is the page's query, as it is the command line's
    // argument: tolp.html?2.5 plays like `tolp 2.5`, no query like `tolp`.
    function queryArguments() {
        const query = location.search.slice(1);
        if (query === '') {
            return [];
        }
        try {
            return [decodeURIComponent(query)];
        } catch (error) {
            return [query];  // not valid percent-encoding: the text as it stands
        }
    }

    let game = null;

    // One run of the game in its own worker. `chunks` keeps each piece of
    // output with the time it arrived, for the page's tests.
    function startGame(args) {
        if (game) {
            game.worker.terminate();
        }
        const worker = new Worker(workerUrl);
        const current = {worker, line: [], inputEnded: false, over: false, status: null, chunks: []};
        current.done = new Promise((resolve) => { current.finish = resolve; });
        worker.onmessage = (event) => {
            const message = event.data;
            if (message.output) {
                current.chunks.push({time: performance.now(), bytes: message.output});
                term.write(message.output);
            } else if (message.error) {
                term.write(message.error);
            } else if ('exit' in message) {
                endGame(current, message.exit);
            }
        };
        worker.onerror = (event) => {
            term.write('\n' + event.message + '\n');
            endGame(current, 1);
        };
        worker.postMessage({start: args});
        game = current;
        term.reset();
        term.focus();
        return current;
    }

    function endGame(current, status) {
        current.worker.terminate();
        current.over = true;
        current.status = status;
        if (current === game) {
            term.write('\n\nThe game is over. Press Return or the New game button to play again.\n');
        }
        current.finish(status);
    }

    function send(bytes) {
        if (!game.inputEnded) {
            game.sentAt = performance.now();
            game.worker.postMessage({input: bytes});
        }
    }

    function endInput() {
        if (!game.inputEnded) {
            game.inputEnded = true;
            game.worker.postMessage({end: true});
        }
    }

    // The terminal's line discipline, one character at a time.
    function typed(character) {
        if (game.over) {
            if (character === '\r') {
                startGame(queryArguments());
            }
            return;
        }
        const line = game.line;
        if (character === '\r' || character === '\n') {
            term.write('\n');
            line.push('\n');
            send(encoder.encode(line.join('')));
            game.line = [];
        } else if (character === '\x7f' || character === '\b') {
            if (line.length > 0) {
                line.pop();
                term.write('\b \b');
            }
        } else if (character === ERASE_LINE) {
            term.write('\b \b'.repeat(line.length));
            game.line = [];
        } else if (character === END_OF_INPUT) {
            // As at a Unix terminal: the line so far goes without a line
            // feed; on an empty line the game reads the end of its input.
            if (line.length > 0) {
                send(encoder.encode(line.join('')));
                game.line = [];
            } else {
                endInput();
            }
        } else if (character >= ' ' || character === '\t') {
            line.push(character);
            term.write(character);
        }
    }

    term.onData((data) => {
        if (data.startsWith('\x1b')) {
            return;  // arrow keys and the like have no meaning on this line
        }
        for (const character of data) {
            typed(character);
        }
    });

    document.getElementById('new-game').addEventListener('click', () => startGame(queryArguments()));

    function latin1(bytes) {
        let text = '';
        for (const byte of bytes) {
            text += String.fromCharCode(byte);
        }
        return text;
    }

    function joined(chunks) {
        return latin1(chunks.flatMap((chunk) => Array.from(chunk.bytes)));
    }

    // For the tests: play a game on bytes handed over as they stand (no line
    // discipline), then the end of the input; read what the game said, with
    // each byte as one character.
    window.tolpPage = {
        play(args, inputLatin1) {
            const current = startGame(args);
            const bytes = Uint8Array.from(inputLatin1, (c) => c.charCodeAt(0));
            if (bytes.length > 0) {
                send(bytes);
            }
            endInput();
            return current.done.then((status) => ({status, output: joined(current.chunks)}));
        },
        output: () => joined(game.chunks),
        over: () => game.over,
        status: () => game.status,
        // Milliseconds from the last line sent to the first output that
        // contains `text` after it.
        replyTime(text) {
            let seen = '';
            for (const chunk of game.chunks) {
                if (chunk.time >= game.sentAt) {
                    seen += latin1(chunk.bytes);
                    if (seen.includes(text)) {
                        return chunk.time - game.sentAt;
                    }
                }
            }
            return null;
        },
    };

    startGame(queryArguments());
})();
