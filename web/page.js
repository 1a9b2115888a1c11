// The canvas at the largest whole number of device pixels per game pixel that fits the window,
// with room for the lines under it; the keyboard goes to the game at once.
(function () {
    'use strict';
    const canvas = document.getElementById('screen');
    function fit() {
        const ratio = window.devicePixelRatio || 1;
        const room = document.getElementById('how').offsetHeight * 3;
        const across = Math.floor(window.innerWidth * ratio / canvas.width);
        const down = Math.floor((window.innerHeight - room) * ratio / canvas.height);
        const scale = Math.max(1, Math.min(across, down));
        canvas.style.width = canvas.width * scale / ratio + 'px';
        canvas.style.height = canvas.height * scale / ratio + 'px';
    }
    window.addEventListener('resize', fit);
    fit();
    canvas.focus();
    canvas.addEventListener('click', () => canvas.focus());
})();
