// The game's side of the page, in the Web Worker that runs the game's
// WebAssembly module; the build puts it in front of Emscripten's own code,
// in the same scope. It starts the game when the page sends the arguments,
// keeps what the terminal sends until the game reads it, and posts the
// game's output and its exit status back to the page.
//
// Messages from the page: {start: [arguments]}, {input: Uint8Array},
// {end: true} (the input has ended). To the page: {output: Uint8Array},
// {error: text} (standard error), {exit: status}.

Module.noInitialRun = true;
Module.printErr = (text) => postMessage({error: text + '\n'});

const terminal = {
    chunks: [],      // bytes sent by the page and not read yet
    ended: false,    // the page said the input has ended
    wake: null,      // resolves the read waiting for more input
    started: false,
};

// Bytes for one read: what has arrived, up to `size`; 0 when the input has
// ended and everything before the end has been read.
Module.terminalRead = async (buffer, size) => {
    while (terminal.chunks.length === 0 && !terminal.ended) {
        await new Promise((resolve) => { terminal.wake = resolve; });
    }
    let stored = 0;
    while (stored < size && terminal.chunks.length > 0) {
        const chunk = terminal.chunks[0];
        const part = Math.min(size - stored, chunk.length);
        HEAPU8.set(chunk.subarray(0, part), buffer + stored);
        stored += part;
        if (part === chunk.length) {
            terminal.chunks.shift();
        } else {
            terminal.chunks[0] = chunk.subarray(part);
        }
    }
    return stored;
};

Module.terminalWrite = (data, size) => {
    const bytes = HEAPU8.slice(data, data + size);
    postMessage({output: bytes}, [bytes.buffer]);
};

function wakeReader() {
    if (terminal.wake) {
        const wake = terminal.wake;
        terminal.wake = null;
        wake();
    }
}

// argv in the module's memory: "tolp" and then the page's arguments.
function programArguments(args) {
    const encoder = new TextEncoder();
    const all = ['tolp'].concat(args);
    const argv = _malloc(4 * (all.length + 1));
    all.forEach((text, i) => {
        const bytes = encoder.encode(text);
        const copy = _malloc(bytes.length + 1);
        HEAPU8.set(bytes, copy);
        HEAPU8[copy + bytes.length] = 0;
        HEAPU32[(argv >> 2) + i] = copy;
    });
    HEAPU32[(argv >> 2) + all.length] = 0;
    return [all.length, argv];
}

function startGame(args) {
    const [argc, argv] = programArguments(args);
    const status = Module._main(argc, argv);
    // Each read suspends the game; main's own status comes when it returns
    // after the last one.
    const finished = Asyncify.currData ? Asyncify.whenDone() : Promise.resolve(status);
    finished.then((code) => postMessage({exit: code}));
}

const runtimeReady = new Promise((resolve) => { Module.onRuntimeInitialized = resolve; });

onmessage = (event) => {
    const message = event.data;
    if (message.start && !terminal.started) {
        terminal.started = true;
        runtimeReady.then(() => startGame(message.start));
    } else if (message.input && !terminal.ended) {
        terminal.chunks.push(message.input);
        wakeReader();
    } else if (message.end) {
        terminal.ended = true;
        wakeReader();
    }
};
